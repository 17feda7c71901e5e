#!/usr/bin/env bash
# Opens the window program Tavori.exe under Wine on this display, on the demo mail store
# (samples/data), in a Wine prefix of its own (build/wine-window) that draws through X.
# Builds the win preset's Tavori target when it is missing; the window's settings file is
# written beside it, build/win/src/ui/Tavori.ini. Wine's server stops when the window closes.
# TAVORI_WIN_BUILD: a configured Windows build folder to use instead of build/win.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
display=${DISPLAY:-}
if [ -z "$display" ]; then
    echo "window.sh: no DISPLAY: run it in a desktop session (or through ssh -X)" >&2
    exit 1
fi
scripts/install-deps.sh

build=${TAVORI_WIN_BUILD:-build/win}
program="$root/$build/src/ui/Tavori.exe"
if [ ! -f "$program" ]; then
    if [ -n "${TAVORI_WIN_BUILD:-}" ]; then
        cmake --build "$build" -j "$(nproc)" --target Tavori
    else
        cmake --preset win && cmake --build --preset win -j "$(nproc)" --target Tavori
    fi
fi

export TAVORI_WINEPREFIX="${TAVORI_WINDOW_PREFIX:-$root/build/wine-window/prefix}"
source scripts/wine-env.sh  # the locale and the prefix; it unsets DISPLAY
export DISPLAY=$display
trap wine_stop EXIT

# Made here rather than by wine_prepare, which would give it the null graphics driver of the
# tests (no display). The window's font is taken by its Windows name; the IPA fonts stand in.
if [ ! -f "$WINEPREFIX/.tavori-display" ]; then
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX" "$LOCPATH"
    # The glibc locale first: without it Wine garbles the Japanese names given to reg.
    [ -d "$LOCPATH/ja_JP.UTF-8" ] || localedef -i ja_JP -f UTF-8 "$LOCPATH/ja_JP.UTF-8" 2>/dev/null ||
        [ -d "$LOCPATH/ja_JP.UTF-8" ]
    echo "window.sh: making the Wine prefix $WINEPREFIX"
    wineboot -i </dev/null >/dev/null 2>&1
    wineserver -w
    # Wine's own fonts (the Marlett of the title bar buttons) where this Wine looks for them.
    if [ -d /usr/share/wine/fonts ]; then
        cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    else
        echo "$(basename "$0"): no fonts-wine: title bar buttons show letters" >&2
    fi
    reg() { wine reg add "$@" /f </dev/null >/dev/null 2>&1; }
    reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
    reg 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /t REG_SZ /d IPAPGothic
    reg 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ ゴシック' /t REG_SZ /d IPAGothic
    reg 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS PGothic' /t REG_SZ /d IPAPGothic
    reg 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS Gothic' /t REG_SZ /d IPAGothic
    reg 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /t REG_SZ /d IPAPGothic
    wineserver -w
    touch "$WINEPREFIX/.tavori-display"
fi
wine_prepare
scripts/demo-wine-registry.sh
wine "$program" </dev/null
