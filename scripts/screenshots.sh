#!/usr/bin/env bash
# Pictures of the window for the README: docs/screenshots/page1-export.png, page2-dedupe.png,
# page3-import.png, about.png and mail-view.png at 100 %, and the same at 150 % (144 DPI, the
# window laying itself out at that DPI) in docs/screenshots/150/. Builds tavori_screenshots (win preset), starts
# a private Xvfb, runs it under Wine in a prefix of its own with the X11 driver, converts its
# BMPs to PNG and stops Xvfb and the prefix's wineserver again.
# TAVORI_WIN_BUILD: a configured Windows build folder to use instead of the win preset's.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-deps.sh

build=${TAVORI_WIN_BUILD:-}
if [ -z "$build" ]; then
    build=build/win
    [ -f "$build/CMakeCache.txt" ] || cmake --preset win >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target tavori_screenshots >/dev/null
program="$root/$build/tests/tavori_screenshots.exe"

shots="$root/build/screenshots"
rm -rf "$shots"
mkdir -p "$shots" docs/screenshots

# A display number that no X server holds.
display=93
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
done
xvfb_pid=""
export TAVORI_WINEPREFIX="${TAVORI_SCREENSHOT_PREFIX:-$root/build/wine-screenshots/prefix}"
source scripts/wine-env.sh
# shellcheck disable=SC2317  # run by the trap
finish() {
    wine_stop
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
trap finish EXIT

# 24-bit colour, so the pictures show the colours Windows would.
Xvfb ":$display" -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    sleep 0.1
done
[ -e "/tmp/.X11-unix/X$display" ] || { echo "screenshots.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$display"

# Unmanaged windows: without a window manager Wine then draws the title bars itself, and
# closing a window takes no seconds.
wine_prepare_display
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1

# It reports controls cut off or overlapping on the pages and then fails, after the pictures.
status=0
for scale in 100:96:docs/screenshots 150:144:docs/screenshots/150; do
    IFS=: read -r percent dpi folder <<<"$scale"
    # The display's DPI as Windows' display settings set it; each run of a program reads it.
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
        </dev/null >/dev/null 2>&1
    mkdir -p "$shots/$percent" "$folder"
    timeout 120 wine "$program" "Z:$shots/$percent" </dev/null || status=$?
    for name in page1-export page2-dedupe page3-import about mail-view; do
        [ -f "$shots/$percent/$name.bmp" ] || { status=1; continue; }
        # -strip: no time stamps, so an unchanged window gives unchanged files.
        convert "$shots/$percent/$name.bmp" -strip "$folder/$name.png"
        echo "$folder/$name.png"
    done
done
exit "$status"
