#!/usr/bin/env bash
# Line coverage of the native tests: builds with g++ --coverage (Debug, no sanitizers), runs the
# whole native ctest (unit tests, the CLI scripts that run the built tavori, the fuzz corpus
# replays) and prints the lines covered per folder of src/ and in total for the core.
# Usage: scripts/coverage.sh [BUILD_DIR]   (default build/coverage; JOBS=N for -jN, default 2;
# CTEST_ARGS="-R ..." to count only some tests)
# Reports: BUILD_DIR/coverage/index.html (per file, line by line), coverage.txt, summary.json.
# Needs gcovr (scripts/install-deps.sh installs it).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/coverage}
jobs=${JOBS:-2}
report=$build/coverage

# Flags through the cache, not an option of the project: the build is otherwise the native one.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTAVORI_SANITIZE=OFF -DTAVORI_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="--coverage -O0" -DCMAKE_EXE_LINKER_FLAGS="--coverage" >/dev/null
# The build lists the tests by running them, which writes counts that are thrown away below.
GCOV_ERROR_FILE=/dev/null cmake --build "$build" -j "$jobs" >/dev/null

# Counts from earlier runs would add up; the .gcno files of the build stay.
find "$build" -name '*.gcda' -delete
rm -rf "$report"
mkdir -p "$report"
errors=$(cd "$report" && pwd)/gcov-errors.txt
# libgcov's own complaints (counts it could not merge) would mix with the output that the CLI
# tests check: they go to a file, and any there make the figures doubtful. A failing test still
# leaves its counts: they are reported, then the script fails.
status=0
(cd "$build" && GCOV_ERROR_FILE="$errors" ctest -j "$jobs" --output-on-failure ${CTEST_ARGS:-}) ||
    status=$?
if [ -s "$errors" ]; then
    echo "warning: libgcov reported errors, see $errors" >&2
    status=1
fi
# gcov runs in the object folders; the filter keeps the project's sources under src/ (no
# tests, no third-party headers). Branches of exception unwinding would only add noise.
gcovr --root . --object-directory "$build" --filter 'src/' --exclude 'src/ui/' \
    --exclude-directories '.*/CMakeFiles/[0-9.]+' --exclude-throw-branches \
    --html-details "$report/index.html" --txt "$report/coverage.txt" \
    --json-summary-pretty --json-summary "$report/summary.json" >/dev/null

python3 - "$report/summary.json" <<'EOF'
import json, sys
files = json.load(open(sys.argv[1]))["files"]
folders = ["base", "mailstore", "mime", "decode", "jobs", "platform", "cli"]
core = {"base", "mailstore", "mime", "decode", "jobs"}
total = {}
for f in files:
    parts = f["filename"].split("/")
    if len(parts) < 3 or parts[0] != "src":
        continue
    got = total.setdefault(parts[1], [0, 0])
    got[0] += f["line_covered"]
    got[1] += f["line_total"]
def row(name, covered, lines):
    pct = 100.0 * covered / lines if lines else 100.0
    print(f"{name:<12} {covered:>6} / {lines:<6} {pct:6.1f} %")
print(f"{'folder':<12} {'lines covered':>15} {'':>7}")
for name in folders:
    row("src/" + name, *total.get(name, [0, 0]))
row("core", sum(total.get(n, [0, 0])[0] for n in core),
    sum(total.get(n, [0, 0])[1] for n in core))
row("all above", sum(total.get(n, [0, 0])[0] for n in folders),
    sum(total.get(n, [0, 0])[1] for n in folders))
EOF
echo "report: $report/index.html"
exit $status
