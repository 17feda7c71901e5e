#!/usr/bin/env bash
# Export throughput beside plain reading, in one run: generates a mail store of realistic
# mails (encoded subjects and names, references, .EML attachments), exports it with tavori
# and reads the same files with dd, and prints MB/s of both and their ratio. Then the peak
# memory of the export for a 50 MB and a 500 MB mailbox, which must not grow with the size.
# Usage: bench/export_bench.sh [BUILD_DIR]   (default build/native)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/native}
tavori=$build/src/cli/tavori
[ -x "$tavori" ] || { echo "build the native preset first: $tavori is missing" >&2; exit 1; }
work=$(mktemp -d /tmp/tavori-export-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

generate() {  # generate DIR MEGABYTES FILES
    python3 - "$@" <<'PY'
import base64, os, random, sys
root, megabytes, files = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
random.seed(1)
def word(t): return "=?ISO-2022-JP?B?" + base64.b64encode(t.encode("iso-2022-jp")).decode() + "?="
subjects = ["来週の打ち合わせについて", "見積書の送付", "Re: 議事録", "会議室の予約", "ご確認のお願い"]
line = "いつもお世話になっております。こちらは本文の一行です。 Body text line.\r\n".encode("cp932")
user = os.path.join(root, "User0"); attach = os.path.join(user, "Attach")
os.makedirs(attach, exist_ok=True)
per_file = megabytes * 1024 * 1024 // files
for f in range(files):
    with open(os.path.join(user, f"box{f}.mbx"), "wb") as out:
        written, i = 0, 0
        while written < per_file:
            i += 1
            head = (f"Date: Tue, 05 Mar 2024 {i % 24:02d}:{i % 60:02d}:00 +0900\r\n"
                    f"From: {word('山田太郎')} <yamada{i % 50}@example.co.jp>\r\n"
                    f"To: suzuki@example.jp, {word('佐藤')} <sato@example.jp>\r\n"
                    f"Subject: {word(random.choice(subjects))}\r\n"
                    f"Message-Id: <{f}.{i}@example.co.jp>\r\n"
                    f"References: <{f}.{i - 1}@example.co.jp> <{f}.{i - 2}@example.co.jp>\r\n"
                    "X-Mailer: Bench Mailer 1.0\r\n")
            if i % 50 == 0:
                name = f"a{f}_{i}.eml"
                head += f"X-Becky-Attachment-File: {name}\r\n"
                with open(os.path.join(attach, name), "wb") as a:
                    a.write(("Subject: " + word("添付メール") + "\r\n\r\n").encode() + line * 20)
            lines = 2000 if i % 300 == 0 else random.randint(10, 120)
            mail = head.encode("ascii") + b"\r\n" + line * lines + b"\r\n.\r\n"
            out.write(mail); written += len(mail)
PY
}

seconds() { date +%s.%N; }

echo "generating a 256 MB store ..."
generate "$work/store" 256 8
boxes=("$work"/store/User0/*.mbx)
bytes=$(cat "${boxes[@]}" | wc -c)
cat "${boxes[@]}" "$work"/store/User0/Attach/* >/dev/null  # into the page cache

t0=$(seconds); for b in "${boxes[@]}"; do dd if="$b" bs=1M of=/dev/null status=none; done; t1=$(seconds)
"$tavori" export -o "$work/out.REN" "${boxes[@]}" >/dev/null; t2=$(seconds)
python3 - "$bytes" "$t0" "$t1" "$t2" <<'PY'
import sys
n, t0, t1, t2 = int(sys.argv[1]), *map(float, sys.argv[2:])
mb = n / 1e6
dd, ex = mb / (t1 - t0), mb / (t2 - t1)
print(f"input {mb:.0f} MB: dd {dd:.0f} MB/s, tavori export {ex:.0f} MB/s, ratio export/dd {ex / dd:.2f}")
PY

for size in 50 500; do
    generate "$work/rss$size" "$size" 1
    /usr/bin/time -f "%M" -o "$work/rss.txt" "$tavori" export -o "$work/rss.REN" "$work"/rss$size/User0/*.mbx >/dev/null
    echo "peak RSS for a $size MB mailbox: $(cat "$work/rss.txt") KB"
    rm -rf "$work/rss$size"
done
