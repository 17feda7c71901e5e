#!/usr/bin/env bash
# The jobs on the mail users really have: a store of small Japanese mails (bench/small_mails.py,
# 200 MB by default, about 100,000 mails) read with dd, then listed with tavori show, exported
# and cleaned of duplicates, each timed in the same run on the same warm files. Prints MB/s of
# input, the ratio to dd, microseconds per mail and peak memory of each; checks that the export
# wrote one record per mail and attachment. The export's decoding mode runs beside the plain
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
# Wine's settings stay in subshells: the native tool reads the registry of a WINEPREFIX too.
# LOCPATH first, so bash finds the locale that wine-env.sh names.
inwine() { (export LOCPATH=$PWD/build/wine/locale && source scripts/wine-env.sh && "$@"); }
cleanup() {
    [ -z "$win_build" ] || inwine wine_stop
    rm -rf "$work"
}
trap cleanup EXIT

load() { echo "load average $1: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) CPUs"; }
load "before"
echo "generating $megabytes MB of small mails ..."
python3 bench/small_mails.py "$work/store" "$megabytes"
boxes=("$work"/store/User0/*.mbx)
bytes=$(cat "${boxes[@]}" | wc -c)  # also brings them into the page cache
mails=$(python3 -c 'import sys; print(sum(open(p, "rb").read().count(b"\r\n.\r\n") for p in sys.argv[1:]))' "${boxes[@]}")
attachments=$(find "$work/store/User0/Attach" -name '*.eml' | wc -l)
if [ -n "$win_build" ]; then
    echo "preparing Wine ..."
    inwine wine_prepare
    winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
    winboxes=()
    for b in "${boxes[@]}"; do winboxes+=("$(winpath "$b")"); done
    wine_exe=(bash -c 'export LOCPATH=$PWD/build/wine/locale && source scripts/wine-env.sh &&
        exec wine "$@"' _ "$exe")
fi

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
for _ in 1 2 3; do  # the best of three of each, interleaved
    run dd bash -c 'for b in "$@"; do dd if="$b" bs=1M of=/dev/null status=none; done' _ "${boxes[@]}"
    run show "$tavori" --encoding sjis show "${boxes[@]}"
    run export "$tavori" export -o "$work/out.REN" --attach-dir "$work/store/User0/Attach/" "${boxes[@]}"
    records=$(grep -c $'^#S\r$' "$work/out.REN" || true)
    rm -f "$work/out.REN"
    run export-decode "$tavori" export --decode -o "$work/out.REN" \
        --attach-dir "$work/store/User0/Attach/" "${boxes[@]}"
    decoded_records=$(grep -c $'^#S\r$' "$work/out.REN" || true)
    rm -f "$work/out.REN"
    run dedupe "$tavori" dedupe -o "$work/unique.mbx" --dup "$work/surplus.mbx" "${boxes[@]}"
    rm -f "$work/unique.mbx" "$work/surplus.mbx"
    [ -n "$win_build" ] || continue
    run wine-start "${wine_exe[@]}" --version
    run wine-show "${wine_exe[@]}" --encoding sjis show "${winboxes[@]}"
    run wine-export "${wine_exe[@]}" export -o "$(winpath "$work/out.REN")" \
        --attach-dir "$(winpath "$work/store/User0/Attach/")" "${winboxes[@]}"
    wine_records=$(grep -c $'^#S\r$' "$work/out.REN" || true)
    rm -f "$work/out.REN"
    run wine-dedupe "${wine_exe[@]}" dedupe -o "$(winpath "$work/unique.mbx")" \
        --dup "$(winpath "$work/surplus.mbx")" "${winboxes[@]}"
    rm -f "$work/unique.mbx" "$work/surplus.mbx"
done
echo "the export in Python (once) ..."
run python python3 bench/python_export.py -o "$work/py.REN" \
    --attach-dir "$work/store/User0/Attach/" "${boxes[@]}"
python_records=$(grep -c $'^#S\r$' "$work/py.REN" || true)
rm -f "$work/py.REN"

load "after"
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
def line(name, t, rss, extra=""):
    print(f"  {name:7s} {mb / t:7.0f} MB/s  ratio to dd {mb / t / dd:5.2f}  "
          f"{t / mails * 1e6:6.2f} us/mail  peak RSS {rss / 1024:.1f} MB{extra}")
print(f"{mails} mails, {mb:.0f} MB (mean {int(sys.argv[2]) / mails:.0f} bytes), best of 3:")
for name in ["dd", "show", "export", "dedupe"]:
    line(name, *best[name])
t, rss = best["export-decode"]
line("decode", t, rss, f"  export --decode / export {best['export'][0] / t:5.2f}")
t, rss = best["python"]
print("the export in Python, one run:")
line("python", t, rss)
print(f"  export / python: {t / best['export'][0]:.1f} x")
if "wine-start" in best:
    start = best["wine-start"][0]
    print(f"tavori-cli.exe under Wine, best of 3, less a bare start ({start:.2f} s):")
    for name in ["show", "export", "dedupe"]:
        t, rss = best["wine-" + name]
        t -= start
        line(name, t, rss, f"  wine / native {t / best[name][0]:5.2f}")
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
