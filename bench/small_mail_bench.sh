#!/usr/bin/env bash
# The jobs on the mail users really have: a store of small Japanese mails (bench/small_mails.py,
# 200 MB by default, about 100,000 mails) listed with tavori show, exported and cleaned of
# duplicates, each timed in the same run on the same warm files beside the machine's limits,
# each one process over the same bytes: a plain read (one dd of the mailboxes joined) and a
# plain copy (cat of the mailboxes into one file on the memory file system, where the jobs'
# outputs go too, so the disk's write-back does not count). Prints MB/s of input, the ratio to
# its limit (show to the read; export and dedupe, which write as much as they read, to the
# copy), microseconds per mail and peak memory of each, medians of 5 interleaved rounds, each
# run timed around its own start and end (bench/timed.py);
# checks that the export wrote one record per mail and attachment. The export's decoding mode runs beside the plain
# export, its speed given as a share of the plain export's. Beside them, once (it is slow), the
# same export written with Python's email package (bench/python_export.py). Given a Windows
# build, also tavori-cli.exe's show, export and dedupe under Wine, best of 3 each, their times
# less that of a bare start of the exe (--version), so Wine's process start does not count.
# Usage: bench/small_mail_bench.sh [BUILD_DIR] [MEGABYTES] [WIN_BUILD_DIR]
#        (default build/native, 200, $WIN_BUILD or none; Wine's prefix: $TAVORI_WINEPREFIX)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/native}
megabytes=${2:-200}
win_build=${3:-${WIN_BUILD:-}}
tavori=$build/src/cli/tavori
[ -x "$tavori" ] || { echo "build the native preset first: $tavori is missing" >&2; exit 1; }
if [ -n "$win_build" ]; then
    exe=$win_build/src/cli/tavori-cli.exe
    [ -f "$exe" ] || { echo "build tavori-cli.exe first: $exe is missing" >&2; exit 1; }
fi
work=$(mktemp -d /tmp/tavori-small-bench.XXXXXX)
# The outputs on a memory file system where there is one.
shm=/dev/shm
[ -d "$shm" ] && [ -w "$shm" ] || shm=$work
outdir=$(mktemp -d "$shm/tavori-small-out.XXXXXX")
# Wine's settings stay in subshells: the native tool reads the registry of a WINEPREFIX too.
# LOCPATH first, so bash finds the locale that wine-env.sh names.
inwine() { (export LOCPATH=$PWD/build/wine/locale && source scripts/wine-env.sh && "$@"); }
cleanup() {
    [ -z "$win_build" ] || inwine wine_stop
    rm -rf "$work" "$outdir"
}
trap cleanup EXIT

load() { echo "load average $1: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) CPUs"; }
load "before"
echo "generating $megabytes MB of small mails ..."
python3 bench/small_mails.py "$work/store" "$megabytes"
boxes=("$work"/store/User0/*.mbx)
cat "${boxes[@]}" >"$work/all.mbx"  # the read's input: the same bytes in one file
bytes=$(cat "${boxes[@]}" | wc -c)
cat "$work/all.mbx" >/dev/null  # into the page cache too
mails=$(python3 -c 'import sys; print(sum(open(p, "rb").read().count(b"\r\n.\r\n") for p in sys.argv[1:]))' "${boxes[@]}")
attachments=$(find "$work/store/User0/Attach" -name '*.eml' | wc -l)
if [ -n "$win_build" ]; then
    echo "preparing Wine ..."
    inwine wine_prepare </dev/null  # Wine's start must not wait on the terminal
    winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
    winboxes=()
    for b in "${boxes[@]}"; do winboxes+=("$(winpath "$b")"); done
    wine_exe=(bash -c 'export LOCPATH=$PWD/build/wine/locale && source scripts/wine-env.sh &&
        exec wine "$@"' _ "$exe")
fi

results=$work/results
: >"$results"
run() {  # run NAME COMMAND...: timed around its start and end alone, peak memory kept
    local name=$1
    shift
    python3 bench/timed.py "$results" "$name" "$work/out" "$work/err" "$@"
}
rounds=5
for _ in $(seq "$rounds"); do  # medians of each, interleaved
    run read dd if="$work/all.mbx" of=/dev/null bs=1M status=none
    run copy bash -c 'cat "$@" >"$0"' "$outdir/copy.mbx" "${boxes[@]}"
    rm -f "$outdir/copy.mbx"
    run show "$tavori" --encoding sjis show "${boxes[@]}"
    run export "$tavori" export -o "$outdir/out.REN" --attach-dir "$work/store/User0/Attach/" "${boxes[@]}"
    records=$(grep -c $'^#S\r$' "$outdir/out.REN" || true)
    rm -f "$outdir/out.REN"
    run export-decode "$tavori" export --decode -o "$outdir/out.REN" \
        --attach-dir "$work/store/User0/Attach/" "${boxes[@]}"
    decoded_records=$(grep -c $'^#S\r$' "$outdir/out.REN" || true)
    rm -f "$outdir/out.REN"
    run dedupe "$tavori" dedupe -o "$outdir/unique.mbx" --dup "$outdir/surplus.mbx" "${boxes[@]}"
    rm -f "$outdir/unique.mbx" "$outdir/surplus.mbx"
    [ -n "$win_build" ] || continue
    run wine-start "${wine_exe[@]}" --version
    run wine-show "${wine_exe[@]}" --encoding sjis show "${winboxes[@]}"
    run wine-export "${wine_exe[@]}" export -o "$(winpath "$outdir/out.REN")" \
        --attach-dir "$(winpath "$work/store/User0/Attach/")" "${winboxes[@]}"
    wine_records=$(grep -c $'^#S\r$' "$outdir/out.REN" || true)
    rm -f "$outdir/out.REN"
    run wine-dedupe "${wine_exe[@]}" dedupe -o "$(winpath "$outdir/unique.mbx")" \
        --dup "$(winpath "$outdir/surplus.mbx")" "${winboxes[@]}"
    rm -f "$outdir/unique.mbx" "$outdir/surplus.mbx"
done
echo "the export in Python (once) ..."
run python python3 bench/python_export.py -o "$outdir/py.REN" \
    --attach-dir "$work/store/User0/Attach/" "${boxes[@]}"
python_records=$(grep -c $'^#S\r$' "$outdir/py.REN" || true)
rm -f "$outdir/py.REN"

load "after"
python3 - "$results" "$bytes" "$mails" <<'PY'
import statistics, sys
times, peak = {}, {}
for line in open(sys.argv[1]):
    name, t, rss = line.split()
    times.setdefault(name, []).append(float(t))
    peak[name] = max(peak.get(name, 0), int(rss))
median = {name: statistics.median(ts) for name, ts in times.items()}
mb, mails = int(sys.argv[2]) / 1e6, int(sys.argv[3])
limit = {"read": mb / median["read"], "copy": mb / median["copy"]}
def line(name, t, rss, base, extra=""):
    print(f"  {name:13s} {mb / t:7.0f} MB/s  ratio to the {base} {mb / t / limit[base]:5.2f}  "
          f"{t / mails * 1e6:6.2f} us/mail  peak RSS {rss / 1024:.1f} MB{extra}")
print(f"{mails} mails, {mb:.0f} MB (mean {int(sys.argv[2]) / mails:.0f} bytes), "
      f"medians of {len(times['show'])}:")
print(f"  plain read (one dd) {limit['read']:.0f} MB/s, plain copy (one cat into memory) "
      f"{limit['copy']:.0f} MB/s")
targets = {"show": ("read", 0.5), "export": ("copy", 0.7), "export-decode": ("copy", 0.5),
           "dedupe": ("copy", 0.5)}
for name, (base, target) in targets.items():
    line(name, median[name], peak[name], base, f"  (target {target})")
print(f"  export --decode / export {median['export'] / median['export-decode']:5.2f}")
t = median["python"]
print("the export in Python, one run:")
line("python", t, peak["python"], "copy")
print(f"  export / python: {t / median['export']:.1f} x")
if "wine-start" in median:
    start = median["wine-start"]
    print(f"tavori-cli.exe under Wine, less a bare start ({start:.2f} s):")
    for name in ["show", "export", "dedupe"]:
        t = median["wine-" + name] - start
        line(name, t, peak["wine-" + name], targets[name][0],
             f"  wine / native {t / median[name]:5.2f} (target 1.5)")
PY
expected=$((mails + attachments))
check() {  # check WHAT RECORDS
    [ "$2" = "$expected" ] && echo "$1: $2 records, one per mail and attachment" ||
        echo "$1: $2 records, expected $expected ($mails mails, $attachments attachments)"
}
check "export records" "$records"
check "export --decode records" "$decoded_records"
check "python records" "$python_records"
[ -z "$win_build" ] || check "export records under Wine" "$wine_records"
