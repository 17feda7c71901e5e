#!/usr/bin/env bash
# Duplicate cleanup throughput beside plain reading, in one run: generates a store of small
# Japanese mails (1 to 5 KB, ISO-2022-JP subjects and names) over a few mailbox files, about
# a fifth of them copies of another (same Subject and Date; mostly the same Message-Id, some
# with another or none; some mails with three or more copies), runs the whole cleanup (scan
# and copy pass, unique and surplus mailboxes) on 200,000 and on 10,000 messages, each beside
# dd reading the same warm files, and prints MB/s of input of both and their ratio, the
# microseconds per message at both sizes and their ratio, and the peak memory, which may
# hold the index but never the mails. Checks that unique + surplus hold every message.
# Usage: bench/dedupe_bench.sh [BUILD_DIR]   (default build/native)
#        DEDUPE_BENCH_SIZES="20000 2000" bench/dedupe_bench.sh   (other store sizes)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/native}
tavori=$build/src/cli/tavori
if ! [ -x "$tavori" ] || ! "$tavori" dedupe --help >/dev/null 2>&1; then
    echo "building tavori in $build ..."
    if [ "$build" = build/native ]; then
        cmake --preset native >/dev/null && cmake --build --preset native --target tavori -j2
    else
        cmake --build "$build" --target tavori -j2
    fi
fi
read -r -a sizes <<<"${DEDUPE_BENCH_SIZES:-200000 10000}"
work=$(mktemp -d /tmp/tavori-dedupe-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

generate() {  # generate DIR MESSAGES FILES; writes DIR/expected: messages copies pairs
    python3 - "$@" <<'PY'
import datetime, os, random, sys
root, total, files = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
random.seed(1)
sys.path.insert(0, "bench")  # the names, subjects and body lines of the small-mail store
from small_mails import LINES as lines, PEOPLE as people, TOPICS as topics, word
start = datetime.datetime(2023, 4, 1, 9, 0, 0, tzinfo=datetime.timezone(datetime.timedelta(hours=9)))
names = ["inbox.mbx", "archive2023.mbx", "archive2024.mbx", "backup.mbx", "old_pc.mbx"][:files]
outs = [open(os.path.join(root, n), "wb") for n in names]

def mail(i, when, subject, sender, to, msgid, size):
    head = ("Return-Path: <%s@example.co.jp>\r\n"
            "Received: from mail%d.example.co.jp (mail%d.example.co.jp [192.0.2.%d])\r\n"
            "\tby mx.example.jp with ESMTP id %08X; %s\r\n"
            "Date: %s\r\n"
            "From: %s <%s@example.co.jp>\r\n"
            "To: %s <%s@example.jp>\r\n"
            "Subject: %s\r\n") % (sender[1], i % 7, i % 7, i % 250, i, when, when,
                                  sender[0], sender[1], to[0], to[1], subject)
    if msgid is not None:
        head += "Message-ID: <%s>\r\n" % msgid
    head += ("MIME-Version: 1.0\r\n"
             "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
             "Content-Transfer-Encoding: 7bit\r\n"
             "X-Mailer: Bench Mailer 2.1\r\n\r\n")
    out = [head.encode("ascii")]
    n = len(out[0]) + 5
    while n < size:
        l = random.choice(lines)
        out.append(l); n += len(l) + 2
    return b"\r\n".join(out) + b"\r\n.\r\n"

# Originals in date order, each followed by its copies (if any) in a random file: a copy has
# the original's Subject and Date; mostly its Message-Id, some another one or none.
written = copies = pairs = 0
i = 0
stamp = start
while written < total:
    i += 1
    stamp += datetime.timedelta(seconds=random.randint(30, 300))
    when = stamp.strftime("%a, %d %b %Y %H:%M:%S +0900")
    topic = random.choice(topics)
    subject = word(("Re: " if i % 3 == 0 else "") + topic + "（%d）" % (i % 997))
    if i % 11 == 0:  # a long subject, folded into two encoded words
        subject += "\r\n " + word("追加のお知らせと今後の予定について")
    sender, to = random.choice(people), random.choice(people)
    msgid = "%d.%08X@example.co.jp" % (i, random.getrandbits(32))
    size = random.randint(1024, 5120)
    f = random.randrange(files)
    outs[f].write(mail(i, when, subject, sender, to, msgid, size)); written += 1
    extra = 0
    if random.random() < 0.192:
        r = random.random()
        extra = 1 if r < 0.80 else 2 if r < 0.94 else 3 if r < 0.98 else 4
        pairs += 1
    for c in range(extra):
        if written >= total: break
        r = random.random()
        cid = msgid if r < 0.80 else None if r < 0.88 else "resent.%d.%d@example.jp" % (i, c)
        outs[random.randrange(files)].write(mail(i, when, subject, sender, to, cid, size))
        written += 1; copies += 1
for o in outs: o.close()
with open(os.path.join(root, "expected"), "w") as e:
    e.write("%d %d %d\n" % (written, copies, pairs))
PY
}

count() {  # count FILE...: messages (separators) in each file, summed
    python3 - "$@" <<'PY'
import mmap, os, sys
n = 0
for p in sys.argv[1:]:
    if os.path.getsize(p):
        with open(p, "rb") as f, mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ) as m:
            pos = m.find(b"\r\n.\r\n")
            while pos >= 0:
                n += 1; pos = m.find(b"\r\n.\r\n", pos + 5)
print(n)
PY
}

seconds() { date +%s.%N; }
results=$work/results
: >"$results"
for n in "${sizes[@]}"; do
    store=$work/store$n out=$work/out$n
    mkdir -p "$store" "$out"
    echo "generating a store of $n messages ..."
    generate "$store" "$n" 4
    boxes=("$store"/*.mbx)
    bytes=$(cat "${boxes[@]}" | wc -c)  # also brings them into the page cache
    cat "${boxes[@]}" >/dev/null
    t0=$(seconds)
    for b in "${boxes[@]}"; do dd if="$b" bs=1M of=/dev/null status=none; done
    t1=$(seconds)
    /usr/bin/time -v -o "$work/time$n" "$tavori" dedupe -o "$out/unique.mbx" \
        --dup "$out/surplus.mbx" "${boxes[@]}" >"$work/stdout$n" 2>"$work/stderr$n" ||
        { cat "$work/stderr$n" >&2; exit 1; }
    t2=$(seconds)
    rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time$n")
    read -r total copies pairs <"$store/expected"
    unique=$(count "$out/unique.mbx") surplus=$(count "$out/surplus.mbx")
    outbytes=$(cat "$out/unique.mbx" "$out/surplus.mbx" | wc -c)
    status=ok
    [ "$((unique + surplus))" -eq "$total" ] || status=FAILED
    echo "  $total messages ($copies copies of $pairs mails), $((bytes / 1000000)) MB in" \
         "${#boxes[@]} files: unique $unique + surplus $surplus = $((unique + surplus))" \
         "($status; expected unique $((total - copies)), surplus $copies);" \
         "output $((outbytes / 1000000)) MB"
    echo "$n $bytes $t0 $t1 $t2 $rss $status" >>"$results"
    rm -rf "$store" "$out"
done

python3 - "$results" <<'PY'
import sys
rows = {}
for line in open(sys.argv[1]):
    n, b, t0, t1, t2, rss, status = line.split()
    rows[int(n)] = (int(b), float(t0), float(t1), float(t2), int(rss), status)
for n, (b, t0, t1, t2, rss, _) in sorted(rows.items(), reverse=True):
    mb = b / 1e6
    dd, job = mb / (t1 - t0), mb / (t2 - t1)
    print(f"{n} messages, {mb:.0f} MB: dd {dd:.0f} MB/s, tavori dedupe (scan + copy, -o and --dup) "
          f"{job:.0f} MB/s, ratio dedupe/dd {job / dd:.2f}; "
          f"{(t2 - t1) / n * 1e6:.2f} us/message; peak RSS {rss / 1024:.1f} MB")
if len(rows) >= 2:
    big, small = max(rows), min(rows)
    us = lambda n: (rows[n][3] - rows[n][2]) / n * 1e6
    print(f"us/message {big} vs {small}: ratio {us(big) / us(small):.2f} (target: within 2)")
    grow = (rows[big][4] - rows[small][4]) * 1024 / (big - small)
    print(f"peak RSS {big} vs {small}: {rows[small][4] / 1024:.1f} -> {rows[big][4] / 1024:.1f} MB, "
          f"{grow:.0f} bytes more per message (mean mail {rows[big][0] / big:.0f} bytes)")
failed = [n for n, r in rows.items() if r[5] != "ok"]
if failed:
    print(f"COUNT CHECK FAILED for {failed}: unique + surplus != messages read")
    sys.exit(1)
print("count check: unique + surplus = input messages at every size")
PY
