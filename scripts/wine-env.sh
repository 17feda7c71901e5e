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
    # A persistent server and one warm-up run keep each test start fast and hang-free.
    wineserver -p </dev/null >/dev/null 2>&1
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

wine_stop() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
}
