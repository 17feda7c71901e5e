#!/usr/bin/env bash
# The whole test run: installs what is missing, builds the Linux, sanitizer and Windows
# presets, checks the sources with clang-format and clang-tidy, and runs every test (the
# Windows ones under Wine with a private prefix; the ThreadSanitizer build has only the tests
# of the reading threads).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/install-deps.sh

for preset in native native-asan native-tsan win; do
    echo "== build $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
done

echo "== lint (clang-format, clang-tidy)"
scripts/lint.sh build/native

echo "== test native"
ctest --preset native -j "$jobs"
echo "== test native-asan"
ctest --preset native-asan -j "$jobs"
echo "== test native-tsan"
ctest --preset native-tsan -j "$jobs"

echo "== test win (Wine)"
source scripts/wine-env.sh
trap wine_stop EXIT
wine_prepare
# A test program that Wine once fails to start (no output, at once) is run a second time;
# a test that fails in earnest fails both times.
ctest --preset win --timeout 120 --repeat until-pass:2
wine_stop
trap - EXIT

echo "== fuzz smoke (10 s per fuzzer)"
scripts/fuzz.sh 10
echo "== all tests passed"
