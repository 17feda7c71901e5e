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

wine_prepare_display
scripts/demo-wine-registry.sh
wine "$program" </dev/null
