#!/usr/bin/env bash
# One mailbox file of several GiB (3 by default, past 2^31 bytes, where a 32-bit offset or size
# anywhere in the reading path would show), listed, exported and cleaned of duplicates by the
# native tavori and by tavori-cli.exe under Wine. Checks every figure against the counts known
# from the generation and exits 1 on the first that is wrong:
#   show    one line per mail, numbered 1..N, each offset the mail's start in the file;
#   export  one REN record per mail plus one per attachment mail, the counts it prints;
#   dedupe  the total, output and repeated-pair figures it prints, the mails and bytes of the
#           unique and the surplus mailbox (-o and --dup);
#   all     the bytes read (tavori --verbose: "進行: ... read / size") reach the file size.
# Prints for each job the wall time, MB/s of input and the peak RSS. Memory bound: show and
# export read one mail at a time through fixed buffers, so their peak RSS stays below 64 MB
# whatever the file's size; dedupe also holds its index, one entry per distinct subject and
# date (never the mail text), so its bound is 64 MB + 512 bytes per mail.
# Under Wine the peak RSS is /usr/bin/time's maximum over the processes it waited for: the
# wine64 process that runs the .exe (the program with Wine's DLLs in it); the wineserver and
# Wine's services, started beforehand by wine_prepare, are not counted.
#
# The mails: bench/small_mails.py's store of small Japanese mails (200 MB, fixed seed, one
# mail in five a copy of an earlier one) is the first round of the file; the next rounds repeat
# it with a round tag in each Subject and Message-Id (new mails, with the same copies among
# them), except every 1000th mail, left as it was: a copy of its first-round self. The
# expected figures come from the (Subject, Date) keys of the mails as written. The bytes of a
# mail as dedupe writes it (headers unfolded and decoded) are taken from the native dedupe of
# the first two rounds, 400 MB, below any 32-bit limit.
#
# Usage: bench/large_mailbox.sh [NATIVE_BUILD] [WIN_BUILD|none] [GIB]
#        (default build/native build/win 3; needs about 4 x GIB GB free in /tmp)
set -euo pipefail
cd "$(dirname "$0")/.."
native=${1:-build/native}
win=${2:-build/win}
gib=${3:-3}
tavori=$native/src/cli/tavori
exe=$win/src/cli/tavori-cli.exe
[ -x "$tavori" ] || { echo "build tavori first: $tavori is missing" >&2; exit 1; }
[ "$win" = none ] || [ -f "$exe" ] || { echo "build the Windows tavori first: $exe is missing" >&2; exit 1; }

work=$(mktemp -d /tmp/tavori-large.XXXXXX)
wine_started=
cleanup() {
    [ -z "$wine_started" ] || wine_stop
    rm -rf "$work"
}
trap cleanup EXIT

echo "generating the mails ($gib GiB in one mailbox) ..."
python3 bench/small_mails.py "$work/base" 200 1 >/dev/null
mkdir -p "$work/store/User0"
mv "$work/base/User0/Attach" "$work/store/User0/Attach"
box=$work/store/User0/Large.mbx
# The large file, and what the jobs must find in it (expected.json, offsets).
python3 - "$work/base/User0/box0.mbx" "$box" "$gib" "$tavori" "$work" <<'PY'
import array, json, os, subprocess, sys
base_path, big_path, gib, tavori, work = sys.argv[1:6]
SEP = b"\r\n.\r\n"
data = open(base_path, "rb").read()
assert data.endswith(SEP)
mails = data[:-len(SEP)].split(SEP)
del data

def field(head, name):
    start = head.index(b"\r\n" + name) + 2
    return head[start:head.index(b"\r\n", start)]

keys, key_ids, attach = [], {}, []
for m in mails:
    head = m[:m.index(b"\r\n\r\n")]
    keys.append(key_ids.setdefault((field(head, b"Subject:"), field(head, b"Date:")), len(key_ids)))
    attach.append(b"\r\nX-Becky-Attachment-File:" in head)
nkeys = len(key_ids)

def varied(m, r):  # the round's tag in Subject and Message-Id: a new mail
    tag = b"[r%03d] " % r
    m = m.replace(b"\r\nSubject: ", b"\r\nSubject: " + tag, 1)
    return m.replace(b"\r\nMessage-Id: <", b"\r\nMessage-Id: <r%03d." % r, 1)

def kept(j, r):  # False: the mail of round r is a copy of its first-round self
    return r == 0 or j % 1000 != 999

# The file, and the calibration file of its first two rounds.
target = int(float(gib) * 2**30)
offsets = array.array("Q")
# Per mail of the file: its round (0 also for a copy of a first-round mail), its base mail.
rounds, indices = array.array("i"), array.array("i")
size = 0
with open(big_path, "wb") as big, open(os.path.join(work, "calib.mbx"), "wb") as calib:
    r = 0
    while size < target or r < 2:
        for j, m in enumerate(mails):
            text = (varied(m, r) if kept(j, r) and r else m) + SEP
            if r < 2:
                calib.write(text)
            if size < target:
                offsets.append(size)
                rounds.append(r if kept(j, r) else 0)
                indices.append(j)
                big.write(text)
                size += len(text)
        r += 1

# The bytes of each mail as dedupe writes it: the first pass's outputs, mail by mail, are the
# kept mails and the surplus mails of the first two rounds in file order.
subprocess.run([tavori, "dedupe", "-o", os.path.join(work, "cu.mbx"), "--dup",
                os.path.join(work, "cd.mbx"), os.path.join(work, "calib.mbx")],
               check=True, stdout=subprocess.DEVNULL)
streams = [iter(len(t) + len(SEP) for t in open(os.path.join(work, n), "rb").read()[:-len(SEP)].split(SEP))
           for n in ("cu.mbx", "cd.mbx")]
written = {}  # (round is 0, base index) -> bytes as written
seen = set()
for r in (0, 1):
    for j in range(len(mails)):
        k = (r if kept(j, r) else 0) * nkeys + keys[j]
        n = next(streams[k in seen])
        seen.add(k)
        if written.setdefault((r == 0 or not kept(j, r), j), n) != n:
            sys.exit("calibration: mail %d of round %d written with another length" % (j, r))
for s in streams:
    if next(s, None) is not None:
        sys.exit("calibration: the native dedupe wrote more mails than expected")
for n in ("calib.mbx", "cu.mbx", "cd.mbx"):
    os.remove(os.path.join(work, n))

seen, repeated = set(), set()
unique_bytes = surplus_bytes = surplus = attachments = 0
for r, j in zip(rounds, indices):
    k = r * nkeys + keys[j]
    n = written[(r == 0, j)]
    if k in seen:
        repeated.add(k)
        surplus += 1
        surplus_bytes += n
    else:
        seen.add(k)
        unique_bytes += n
    attachments += attach[j]
offsets.tofile(open(os.path.join(work, "offsets"), "wb"))
json.dump({"mails": len(rounds), "bytes": size, "unique": len(rounds) - surplus,
           "surplus": surplus, "pairs": len(repeated), "attachments": attachments,
           "unique_bytes": unique_bytes, "surplus_bytes": surplus_bytes}, open(os.path.join(work, "expected.json"), "w"))
PY
rm -rf "$work/base"
read -r mails bytes < <(python3 -c 'import json,sys; e=json.load(open(sys.argv[1])); print(e["mails"], e["bytes"])' "$work/expected.json")
[ "$(stat -c %s "$box")" -eq "$bytes" ] || { echo "the mailbox is not the size written" >&2; exit 1; }
echo "$mails mails, $bytes bytes ($(python3 -c "print(f'{$bytes / 2**30:.2f}')") GiB) in $box"

failed=0
seconds() { date +%s.%N; }
# check NAME: compares the job's outputs in $work with expected.json; prints the figures.
check() {
    python3 - "$work" "$1" "$box" <<'PY' || failed=1
import array, json, os, re, subprocess, sys
work, name, box = sys.argv[1:4]
e = json.load(open(os.path.join(work, "expected.json")))
out = open(os.path.join(work, "out"), "rb").read().decode("cp932", "replace")
err = open(os.path.join(work, "err"), "rb").read().decode("cp932", "replace")
problems = []
def want(what, got, expected):
    if got != expected:
        problems.append(f"{what}: {got}, expected {expected}")
# Every stretch of progress over a file read it to the end; the copy pass of dedupe counts mails.
reads = [(int(a), int(b)) for a, b in re.findall(r"^進行: .* (\d+) / (\d+)\r?$", err, re.M)]
want("progress lines", len(reads), 2 if name == "dedupe" else 1)
if reads:
    want("bytes read / file size", reads[0], (e["bytes"], e["bytes"]))
if name == "show":
    offsets = array.array("Q")
    offsets.frombytes(open(os.path.join(work, "offsets"), "rb").read())
    lines = out.splitlines()
    want("listed mails", len(lines), e["mails"])
    wrong = 0
    for i, line in enumerate(lines):
        f = line.split("\t")
        if len(f) < 3 or f[1] != str(i + 1) or i >= len(offsets) or f[2] != str(offsets[i]):
            wrong += 1
            if wrong <= 3:
                problems.append(f"listing line {i + 1}: {line[:80]!r}, offset {offsets[i] if i < len(offsets) else '?'}")
    want("lines with a wrong number or offset", wrong, 0)
    print(f"    {len(lines)} mails listed, last offset {lines[-1].split(chr(9))[2] if lines else '-'}")
elif name == "export":
    ren = os.path.join(work, "out.REN")
    records = int(subprocess.run(["grep", "-c", "^#S\r$", ren], capture_output=True, text=True).stdout or 0)
    want("REN records", records, e["mails"] + e["attachments"])
    want("export counts", re.search(r"件数: \d+ / 添付: \d+", out).group(0) if "件数" in out else out,
         f"件数: {e['mails']} / 添付: {e['attachments']}")
    print(f"    {records} records ({e['mails']} mails + {e['attachments']} attachments), "
          f"REN {os.path.getsize(ren) / 1e6:.0f} MB")
    os.remove(ren)
else:
    if len(reads) > 1:
        want("mails copied", reads[1], (e["mails"], e["mails"]))
    figures = [int(x) for x in re.findall(r"(?:全件数|出力件数|重複件数): (\d+)", out)]
    want("total, output, repeated figures", figures, [e["mails"], e["unique"], e["pairs"]])
    sizes = []
    for f, mails_key, bytes_key in (("unique.mbx", "unique", "unique_bytes"),
                                    ("surplus.mbx", "surplus", "surplus_bytes")):
        p = os.path.join(work, f)
        n = int(subprocess.run(["grep", "-c", "^\\.\r$", p], capture_output=True, text=True).stdout or 0)
        want(f"mails in {f}", n, e[mails_key])
        want(f"bytes of {f}", os.path.getsize(p), e[bytes_key])
        sizes.append((n, os.path.getsize(p)))
        os.remove(p)
    print(f"    total {figures[0] if figures else '?'}, unique {sizes[0][0]} ({sizes[0][1]} bytes) + "
          f"surplus {sizes[1][0]} ({sizes[1][1]} bytes) = {sizes[0][0] + sizes[1][0]} mails, "
          f"{sizes[0][1] + sizes[1][1]} bytes; repeated pairs {figures[2] if len(figures) > 2 else '?'}")
for p in problems:
    print("    CHECK FAILED: " + p)
sys.exit(1 if problems else 0)
PY
}

# run SIDE NAME COMMAND...: timed, with peak memory; checks the job's outputs and its memory.
run() {
    local side=$1 name=$2
    shift 2
    local t0 t1 rss
    t0=$(seconds)
    if ! /usr/bin/time -v -o "$work/time" "$@" >"$work/out" 2>"$work/err"; then
        echo "  $side $name FAILED:" >&2
        cat "$work/err" >&2
        failed=1
        return
    fi
    t1=$(seconds)
    rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time")
    local bound=$((64 * 1024))
    [ "$name" != dedupe ] || bound=$((64 * 1024 + mails / 2))  # 512 bytes a mail, in KB
    python3 -c "import sys; b, t0, t1, rss, bound = map(float, sys.argv[3:]);
print(f'  {sys.argv[1]:6s} {sys.argv[2]:7s} {t1 - t0:7.1f} s {b / 1e6 / (t1 - t0):6.0f} MB/s  '
      f'peak RSS {rss / 1024:6.1f} MB (bound {bound / 1024:.0f} MB)')" \
        "$side" "$name" "$bytes" "$t0" "$t1" "$rss" "$bound"
    if [ "$rss" -ge "$bound" ]; then
        echo "    CHECK FAILED: peak RSS above the bound"
        failed=1
    fi
    check "$name"
}

cat "$box" >/dev/null  # the same warm page cache for every job
echo "native ($tavori):"
run native show "$tavori" --encoding sjis -v show "$box"
run native export "$tavori" --encoding sjis -v export -o "$work/out.REN" \
    --attach-dir "$work/store/User0/Attach/" "$box"
run native dedupe "$tavori" --encoding sjis -v dedupe -o "$work/unique.mbx" \
    --dup "$work/surplus.mbx" "$box"

if [ "$win" != none ]; then
    export TAVORI_WINEPREFIX=${TAVORI_WINEPREFIX:-$PWD/build/wine-large/prefix}
    export LOCPATH=$PWD/build/wine/locale  # before its LC_ALL, which bash would warn about
    # shellcheck source=scripts/wine-env.sh
    source scripts/wine-env.sh
    wine_prepare || true  # a server already running for the prefix is no failure
    wine_started=1
    w() { printf 'Z:%s' "${1//\//\\}"; }  # the Windows name of a path of this system
    echo "Wine ($exe):"
    run wine show wine "$exe" --encoding sjis -v show "$(w "$box")"
    run wine export wine "$exe" --encoding sjis -v export -o "$(w "$work/out.REN")" \
        --attach-dir "$(w "$work/store/User0/Attach/")" "$(w "$box")"
    run wine dedupe wine "$exe" --encoding sjis -v dedupe -o "$(w "$work/unique.mbx")" \
        --dup "$(w "$work/surplus.mbx")" "$(w "$box")"
fi

if [ "$failed" -ne 0 ]; then
    echo "FAILED: see the checks above"
    exit 1
fi
echo "all checks passed"
