#!/usr/bin/env bash
# The window's export beside the command-line tool's, on one big mailbox, under Wine: builds
# window_export_bench and tavori-cli.exe, generates a data folder with User0\Big\Big.mbx of
# realistic mails once (cached in build/window-bench), then three rounds of each, alternating.
# The window's time is its ConvertClick; the CLI's is its process time less the time of a bare
# start (tavori-cli.exe --version), so neither pays for Wine's process start. Both write into
# the same folder and must write the same REN file.
# Usage: bench/window_bench.sh [BUILD_DIR [MEGABYTES [ROUNDS]]]   (default build/win, 150 MB, 3)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/win}
megabytes=${2:-150}
rounds=${3:-3}

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" \
    --target window_export_bench tavori >/dev/null
bench_exe=$build/bench/window_export_bench.exe
cli_exe=$build/src/cli/tavori-cli.exe

work=$PWD/build/window-bench
data=$work/data-$megabytes
out=$work/out
winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }

generate() {  # generate DATA_FOLDER MEGABYTES
    python3 - "$@" <<'PY'
import base64, os, random, sys
root, megabytes = sys.argv[1], int(sys.argv[2])
rng = random.Random(7)
def word(text):
    return "=?ISO-2022-JP?B?" + base64.b64encode(text.encode("iso-2022-jp")).decode() + "?="
people = [("山田太郎", "yamada"), ("佐藤花子", "sato"), ("鈴木一郎", "suzuki"), ("高橋 恵", "takahashi"),
          ("Tanaka Ken", "tanaka"), ("伊藤美咲", "ito"), ("渡辺 健二", "watanabe"), ("John Smith", "john")]
subjects = ["来週の打ち合わせについて", "見積書の送付のお願い", "議事録 (第3回定例会議)", "会議室の予約",
            "ご確認のお願い", "出張報告書", "新製品のご案内", "Weekly report", "Re: schedule",
            "年末年始の営業について", "請求書の件", "サーバー停止のお知らせ"]
sentences = ["いつもお世話になっております。", "先日はお忙しいところありがとうございました。",
             "添付の資料をご確認ください。", "ご不明な点がございましたら、お気軽にお問い合わせください。",
             "来週の火曜日 14:00 から第二会議室で打ち合わせを行います。", "よろしくお願いいたします。",
             "The meeting has been moved to Thursday.", "見積金額は税込みで 123,456 円です。",
             "資料の第 3 章を修正しました。表の数字が変わっています。", "以上、取り急ぎご連絡まで。"]
def address(i):
    name, box = people[i % len(people)]
    if name.isascii():
        return f'"{name}" <{box}@example.co.jp>'
    return f"{word(name)} <{box}@example.co.jp>"
def body(size):
    lines, n = [], 0
    while n < size:
        line = "".join(rng.choice(sentences) for _ in range(rng.randint(1, 2)))
        if rng.random() < 0.15:
            line = "> " + line
        lines.append(line); n += len(line) * 2
        if rng.random() < 0.2:
            lines.append("")
    lines += ["", "--", "山田太郎 <yamada@example.co.jp>", "株式会社サンプル 営業部"]
    return "\r\n".join(lines).encode("cp932")
user = os.path.join(root, "User0")
folder, attach = os.path.join(user, "Big"), os.path.join(user, "Attach")
os.makedirs(folder, exist_ok=True); os.makedirs(attach, exist_ok=True)
target, written, i, ids = megabytes * 1000 * 1000, 0, 0, []
with open(os.path.join(folder, "Big.mbx"), "wb") as mbx:
    while written < target:
        i += 1
        subject = rng.choice(subjects)
        if rng.random() < 0.3:
            subject = "Re: " + subject
        encoded = subject if subject.isascii() or rng.random() < 0.2 else word(subject)
        mid = f"<{i:06d}.{rng.randrange(1 << 30):08x}@mail.example.co.jp>"
        refs = ids[-rng.randint(1, 4):] if ids and rng.random() < 0.6 else []
        head = [f"Date: {['Mon', 'Tue', 'Wed', 'Thu', 'Fri'][i % 5]}, {1 + i % 28:02d} "
                f"{['Jan', 'Apr', 'Jul', 'Oct'][i % 4]} {2001 + i % 20} "
                f"{i % 24:02d}:{i % 60:02d}:{(i * 7) % 60:02d} +0900",
                f"From: {address(i)}",
                f"To: {address(i + 1)}, {address(i + 3)}",
                f"Subject: {encoded}",
                f"Message-Id: {mid}"]
        if rng.random() < 0.3:
            head.append(f"Cc: {address(i + 5)}")
        if refs:
            head.append(f"In-Reply-To: {refs[-1]}")
            head.append("References: " + "\r\n\t".join(refs))
        head += ["MIME-Version: 1.0", "Content-Type: text/plain; charset=ISO-2022-JP",
                 "Content-Transfer-Encoding: 7bit", "X-Mailer: Bench Mailer 2.1"]
        if i % 200 == 0:
            name = f"att{i}.eml"
            head.append(f"X-Becky-Attachment-File: {name}")
            with open(os.path.join(attach, name), "wb") as a:
                a.write(f"From: {address(i + 2)}\r\nSubject: {word('転送メール')}\r\n"
                        f"Date: Fri, 01 Feb 2008 10:00:00 +0900\r\n\r\n".encode("ascii") + body(2000))
        ids.append(mid)
        mail = "\r\n".join(head).encode("cp932") + b"\r\n\r\n" + body(rng.randint(1500, 6000))
        mail += b"\r\n.\r\n"
        mbx.write(mail); written += len(mail)
print(f"generated {i} mails, {written / 1e6:.0f} MB")
PY
}

if [ ! -f "$data/done" ]; then
    rm -rf "$data"
    echo "generating a $megabytes MB mailbox in $data ..."
    generate "$data" "$megabytes"
    touch "$data/done"
fi
mkdir -p "$out"
rm -f "$out"/*.REN
cat "$data/User0/Big/Big.mbx" "$data/User0/Attach"/* >/dev/null  # into the page cache
bytes=$(stat -c %s "$data/User0/Big/Big.mbx")

export TAVORI_WINEPREFIX=${TAVORI_WINEPREFIX:-$PWD/build/wine-bench/prefix}
# shellcheck source=../scripts/wine-env.sh
source scripts/wine-env.sh 2>/dev/null  # quiet: its locale is made by wine_prepare
trap wine_stop EXIT
wine_prepare

seconds() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f", b - a }'; }
wdata=$(winpath "$data")
wout=$(winpath "$out")
window_times=() window_walls=() cli_walls=() start_walls=()
for round in $(seq "$rounds"); do
    t0=$(seconds)
    wine "$bench_exe" "$wdata" "$wout" </dev/null >"$work/window.log" ||
        { cat "$work/window.log"; exit 1; }
    t1=$(seconds)
    window_times+=("$(sed -n 's/^seconds //p' "$work/window.log" | tr -d '\r')")
    window_walls+=("$(elapsed "$t0" "$t1")")
    echo "round $round: $(grep '^window export' "$work/window.log" | tr -d '\r')"

    t0=$(seconds)
    wine "$cli_exe" export -o "$wout\\Cli.REN" --home "$wdata" "$wdata\\User0\\Big\\Big.mbx" \
        </dev/null >/dev/null
    t1=$(seconds)
    wine "$cli_exe" --version </dev/null >/dev/null
    t2=$(seconds)
    cli_walls+=("$(elapsed "$t0" "$t1")")
    start_walls+=("$(elapsed "$t1" "$t2")")
done

if ! cmp -s "$out/Window.REN" "$out/Cli.REN"; then
    echo "the window's REN file differs from the command-line tool's" >&2
    exit 1
fi

python3 - "$bytes" "${window_times[*]}" "${window_walls[*]}" "${cli_walls[*]}" "${start_walls[*]}" <<'PY'
import statistics, sys
mb = int(sys.argv[1]) / 1e6
window, window_wall, cli_wall, start = ([float(x) for x in a.split()] for a in sys.argv[2:6])
cli = [w - s for w, s in zip(cli_wall, start)]
def row(name, times):
    print(f"{name:28} " + "  ".join(f"{t:6.3f}" for t in times) +
          f"   best {min(times):6.3f} s {mb / min(times):6.1f} MB/s"
          f"   median {statistics.median(times):6.3f} s")
print(f"mailbox {mb:.0f} MB, rounds in seconds:")
row("window ConvertClick", window)
row("window bench process", window_wall)
row("tavori-cli export process", cli_wall)
row("tavori-cli bare start", start)
row("tavori-cli export", cli)
# Other load on the machine only ever adds time: the best round is the steadiest measure.
best = min(window) / min(cli)
median = statistics.median(window) / statistics.median(cli)
print(f"ratio window/CLI: best rounds {best:.3f} ({(best - 1) * 100:+.1f} %), "
      f"medians {median:.3f} ({(median - 1) * 100:+.1f} %); the REN files are equal")
PY
