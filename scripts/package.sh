#!/usr/bin/env bash
# Builds the Windows programs and packs dist/Tavori-<version>-win64.zip: Tavori.exe,
# tavori-cli.exe and README.txt (Japanese, Shift-JIS with CR LF, from package-readme.txt).
# The version is the project's VERSION in CMakeLists.txt. Refuses to pack an exe that needs a
# DLL Windows does not bring along (such as the mingw C++ runtime).
# Usage: scripts/package.sh [BUILD_DIR]   (default: the win preset, build/win)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
if [ $# -ge 1 ]; then
    build=$1
    cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DTAVORI_BENCH=OFF >/dev/null
    cmake --build "$build" -j "$jobs" --target Tavori tavori >/dev/null
else
    build=build/win
    cmake --preset win >/dev/null
    cmake --build --preset win -j "$jobs" --target Tavori tavori >/dev/null
fi

version=$(sed -n 's/^project(Tavori VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "no project VERSION in CMakeLists.txt" >&2; exit 1; }
name=Tavori-$version-win64
stage=$(mktemp -d /tmp/tavori-package.XXXXXX)
trap 'rm -rf "$stage"' EXIT

# Symbols help nobody on the user's machine; they are a third of the size.
x86_64-w64-mingw32-strip -s -o "$stage/Tavori.exe" "$build/src/ui/Tavori.exe"
x86_64-w64-mingw32-strip -s -o "$stage/tavori-cli.exe" "$build/src/cli/tavori-cli.exe"

# Both programs are copied onto machines with nothing else installed: every DLL they import
# must be part of Windows itself.
system_dlls='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|ole32|oleaut32|advapi32|version|msvcrt|shlwapi|uxtheme|api-ms-win-[a-z0-9-]+)\.dll$'
for exe in Tavori.exe tavori-cli.exe; do
    dlls=$(x86_64-w64-mingw32-objdump -p "$stage/$exe" | sed -n 's/^\s*DLL Name: //p')
    foreign=$(printf '%s\n' "$dlls" | tr '[:upper:]' '[:lower:]' | grep -Ev "$system_dlls" || true)
    if [ -n "$foreign" ]; then
        echo "$exe needs DLLs that Windows does not have: $foreign" >&2
        exit 1
    fi
    echo "$exe imports: $(printf '%s\n' "$dlls" | sort -f | paste -sd ' ')"
done

# The template is UTF-8 with LF; iconv fails on a character that Shift-JIS lacks.
sed -e "s/@VERSION@/$version/" -e 's/\r*$/\r/' scripts/package-readme.txt |
    iconv -f UTF-8 -t CP932 >"$stage/README.txt"

mkdir -p dist
here=$PWD zipfile=dist/$name.zip
rm -f "$zipfile"
if command -v zip >/dev/null; then
    (cd "$stage" && zip -q -X -9 "$here/$zipfile" Tavori.exe tavori-cli.exe README.txt)
else
    python3 - "$zipfile" "$stage" <<'PY'
import os, sys, zipfile
out, stage = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    for name in ("Tavori.exe", "tavori-cli.exe", "README.txt"):
        z.write(os.path.join(stage, name), name)
PY
fi
echo "$zipfile ($(stat -c %s "$zipfile") bytes)"
