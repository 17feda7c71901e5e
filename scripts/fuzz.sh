#!/usr/bin/env bash
# Builds the "fuzz" preset (clang, libFuzzer, ASan, UBSan) and runs each fuzzer for SECONDS
# (default 60) on a copy of its seed corpus; the repository's corpus is never written.
# Usage: scripts/fuzz.sh [SECONDS] [NAME...]   (NAME as in fuzz/<NAME>_fuzz.cpp; default all)
# Prints the executions per fuzzer and fails when one finds a crash or a broken property,
# leaving the crashing input (crash-*, leak-*, timeout-*) in the work folder it names. Save it
# as fuzz/regressions/<NAME>/<what-it-was> so every build replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
build=${TAVORI_FUZZ_BUILD:-build/fuzz}

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
    for f in fuzz/*_fuzz.cpp; do
        f=${f#fuzz/}
        names+=("${f%_fuzz.cpp}")
    done
fi

cmake --preset fuzz -B "$build" >/dev/null
targets=()
for n in "${names[@]}"; do targets+=("${n}_fuzz"); done
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}" >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/tavori-fuzz.XXXXXX")
failed=()
for n in "${names[@]}"; do
    mkdir -p "$work/$n/corpus"
    cp fuzz/corpus/"$n"/* "$work/$n/corpus/"
    if [ -d fuzz/regressions/"$n" ]; then cp fuzz/regressions/"$n"/* "$work/$n/corpus/"; fi
    log="$work/$n/log"
    status=0
    # Inputs up to 64 KiB let the mailbox reader cross several buffer loads.
    (cd "$work/$n" && "$OLDPWD/$build/fuzz/${n}_fuzz" -max_total_time="$seconds" \
        -max_len=65536 -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 corpus) \
        >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    if [ -z "$runs" ]; then runs=$(sed -n 's/^#\([0-9]*\).*DONE.*/\1/p' "$log" | tail -1); fi
    printf '%-16s %12s executions\n' "$n" "${runs:-?}"
    if [ "$status" -ne 0 ]; then
        failed+=("$n")
        grep -E "ERROR|property violated|Test unit written|SUMMARY" "$log" | head -20 || true
        echo "  full log: $log"
    fi
done

if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzzers that failed: ${failed[*]} (inputs and logs in $work)"
    exit 1
fi
rm -rf "$work"
echo "all fuzzers ran clean"
