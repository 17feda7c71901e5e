#!/usr/bin/env bash
# The jobs on the mail users really have: a store of small Japanese mails (bench/small_mails.py,
# 200 MB by default, about 100,000 mails) read with dd, then listed with tavori show, exported
# and cleaned of duplicates, each timed in the same run on the same warm files. Prints MB/s of
# input, the ratio to dd, microseconds per mail and peak memory of each; checks that the export
# wrote one record per mail and attachment.
# Usage: bench/small_mail_bench.sh [BUILD_DIR] [MEGABYTES]   (default build/native, 200)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/native}
megabytes=${2:-200}
tavori=$build/src/cli/tavori
[ -x "$tavori" ] || { echo "build the native preset first: $tavori is missing" >&2; exit 1; }
work=$(mktemp -d /tmp/tavori-small-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

echo "generating $megabytes MB of small mails ..."
python3 bench/small_mails.py "$work/store" "$megabytes"
boxes=("$work"/store/User0/*.mbx)
bytes=$(cat "${boxes[@]}" | wc -c)  # also brings them into the page cache
mails=$(python3 -c 'import sys; print(sum(open(p, "rb").read().count(b"\r\n.\r\n") for p in sys.argv[1:]))' "${boxes[@]}")
attachments=$(find "$work/store/User0/Attach" -name '*.eml' | wc -l)

seconds() { date +%s.%N; }
results=$work/results
: >"$results"
run() {  # run NAME COMMAND...: timed, peak memory kept
    local name=$1
    shift
    local t0 t1
    t0=$(seconds)
    /usr/bin/time -v -o "$work/time" "$@" >"$work/out" 2>"$work/err" ||
        { cat "$work/err" >&2; exit 1; }
    t1=$(seconds)
    echo "$name $t0 $t1 $(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time")" >>"$results"
}
for round in 1 2 3; do  # the best of three of each, interleaved
    run dd bash -c 'for b in "$@"; do dd if="$b" bs=1M of=/dev/null status=none; done' _ "${boxes[@]}"
    run show "$tavori" --encoding sjis show "${boxes[@]}"
    run export "$tavori" export -o "$work/out.REN" --attach-dir "$work/store/User0/Attach/" "${boxes[@]}"
    records=$(grep -c $'^#S\r$' "$work/out.REN" || true)
    rm -f "$work/out.REN"
    run dedupe "$tavori" dedupe -o "$work/unique.mbx" --dup "$work/surplus.mbx" "${boxes[@]}"
    rm -f "$work/unique.mbx" "$work/surplus.mbx"
done

python3 - "$results" "$bytes" "$mails" <<'PY'
import sys
best = {}
for line in open(sys.argv[1]):
    name, t0, t1, rss = line.split()
    t = float(t1) - float(t0)
    if name not in best or t < best[name][0]:
        best[name] = (t, int(rss))
mb, mails = int(sys.argv[2]) / 1e6, int(sys.argv[3])
dd = mb / best["dd"][0]
print(f"{mails} mails, {mb:.0f} MB (mean {int(sys.argv[2]) / mails:.0f} bytes), best of 3:")
for name in ["dd", "show", "export", "dedupe"]:
    t, rss = best[name]
    print(f"  {name:7s} {mb / t:7.0f} MB/s  ratio to dd {mb / t / dd:5.2f}  "
          f"{t / mails * 1e6:6.2f} us/mail  peak RSS {rss / 1024:.1f} MB")
PY
echo "export records: $records (mails $mails + attachment records)"
