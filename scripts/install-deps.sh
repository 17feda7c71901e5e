#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, only those that are missing.
set -euo pipefail
packages=(
    # g++ brings the runtimes of its sanitizers (ASan, UBSan, TSan: libgcc-12-dev depends on
    # libasan8, libubsan1, libtsan2).
    cmake make g++ pkg-config
    libgtest-dev googletest libbenchmark-dev libcli11-dev
    g++-mingw-w64-x86-64-posix mingw-w64-tools
    wine wine64 locales
    xvfb imagemagick fonts-ipafont-gothic fonts-wine
    python3 nkf time w3m
    # The fuzz preset: clang, and the runtimes of libFuzzer and the sanitizers (only recommended
    # by clang, so named here).
    clang libclang-rt-14-dev
    # scripts/lint.sh, which the test run runs.
    clang-tidy
    # scripts/coverage.sh: line coverage of the g++ build from gcov's data.
    gcovr
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
