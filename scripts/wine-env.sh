# Sourced by the scripts: a private Wine prefix in the build folder, a Japanese locale
# (ANSI code page 932) and a generated glibc locale so Wine handles Japanese file names.
# Usage: source scripts/wine-env.sh; wine_prepare; ...; wine_stop
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# TAVORI_WINEPREFIX lets parallel runs each use a prefix (and wineserver) of their own.
export WINEPREFIX="${TAVORI_WINEPREFIX:-$root/build/wine/prefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ja_JP.UTF-8
export LOCPATH="$root/build/wine/locale"
unset DISPLAY

wine_prepare() {
    mkdir -p "$LOCPATH"
    [ -d "$LOCPATH/ja_JP.UTF-8" ] || localedef -i ja_JP -f UTF-8 "$LOCPATH/ja_JP.UTF-8" 2>/dev/null ||
        [ -d "$LOCPATH/ja_JP.UTF-8" ]
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        wineboot -i </dev/null >/dev/null 2>&1
        wineserver -w
        # No crash dialog (a crash must fail the test), windows without an X server.
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
            </dev/null >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d null /f \
            </dev/null >/dev/null 2>&1
        wineserver -w
    fi
    # A persistent server and one warm-up run keep each test start fast and hang-free. One
    # already running for the prefix (a bench or a person's run left it) serves as well: -p
    # then fails, and that is no failure of the preparation.
    wineserver -p </dev/null >/dev/null 2>&1 || true
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

wine_stop() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
}

# A prefix that draws through the X display of DISPLAY (no null graphics driver), for a person
# or for screenshots; made once. The window's font is taken by its Windows name, and the IPA
# fonts stand in for it.
wine_prepare_display() {
    if [ ! -f "$WINEPREFIX/.tavori-display" ]; then
        rm -rf "$WINEPREFIX"
        mkdir -p "$WINEPREFIX" "$LOCPATH"
        # The glibc locale first: without it Wine garbles the Japanese names given to reg.
        [ -d "$LOCPATH/ja_JP.UTF-8" ] || localedef -i ja_JP -f UTF-8 "$LOCPATH/ja_JP.UTF-8" 2>/dev/null ||
            [ -d "$LOCPATH/ja_JP.UTF-8" ]
        echo "making the Wine prefix $WINEPREFIX" >&2
        wineboot -i </dev/null >/dev/null 2>&1
        wineserver -w
        # Wine's own fonts (the Marlett of the title bar buttons) where this Wine looks for them.
        if [ -d /usr/share/wine/fonts ]; then
            cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
        else
            echo "no fonts-wine: title bar buttons show letters" >&2
        fi
        local value
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
            </dev/null >/dev/null 2>&1
        for value in 'ＭＳ Ｐゴシック=IPAPGothic' 'ＭＳ ゴシック=IPAGothic' 'MS PGothic=IPAPGothic' \
            'MS Gothic=IPAGothic' 'MS UI Gothic=IPAPGothic'; do
            wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${value%%=*}" /t REG_SZ \
                /d "${value#*=}" /f </dev/null >/dev/null 2>&1
        done
        wineserver -w
        touch "$WINEPREFIX/.tavori-display"
    fi
    wine_prepare
}
