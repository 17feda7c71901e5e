#!/usr/bin/env bash
# HTML-to-text and encoding conversion throughput beside other tools, in one run: generates
# Japanese HTML pages in Shift-JIS (tables, scripts, selection lists, PRE blocks, comments,
# named and numeric references) with a fixed seed, times HtmlToText over all of them and
# w3m -dump over a subset of about 5 MB (w3m is slow), then makes EUC-JP and ISO-2022-JP
# copies of the whole text with iconv and times ConvertToSjis on each beside nkf -s and
# iconv -t CP932 on the same file. Prints MB/s of each and the ratios; checks that both
# conversions give back the Shift-JIS text. Our times are in memory (html_bench); the other
# tools' are whole runs reading a cached file and writing to /dev/null. All times are the
# best of 3 in processor time (user + system), so that a busy machine does not skew them.
# Then the same on pages written as real pages are (bench/real_pages.py: many short CR LF
# lines, tables, lists, references, archived mails), in Shift-JIS, EUC-JP, ISO-2022-JP,
# UTF-8 and UTF-16: the import's reading of each file and HtmlToText in one process
# (html_bench import), HtmlToText alone on the Shift-JIS pages, `tavori html2text` on all
# pages in one file (a whole run, with its peak memory), and w3m -dump on a subset, each
# checked to give the same text in every encoding.
# Usage: bench/html_bench.sh [BUILD_DIR [MEGABYTES [REAL_MEGABYTES]]]
#        (default build/native, 60 MB, 20 MB)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/native}
megabytes=${2:-60}
real_megabytes=${3:-20}
bench=$build/bench/html_bench
tavori=$build/src/cli/tavori
for tool in w3m nkf iconv python3 /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/install-deps.sh" >&2; exit 1; }
done
cmake --build "$build" --target html_bench tavori -j2 >/dev/null
work=$(mktemp -d /tmp/tavori-html-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

echo "generating $megabytes MB of Shift-JIS pages ..."
python3 - "$work/pages" "$megabytes" <<'PY'
import os, random, sys
root, megabytes = sys.argv[1], int(sys.argv[2])
os.makedirs(root)
random.seed(1)
# JIS X 0208 only, so that EUC-JP and ISO-2022-JP copies exist; 京, 時 and 周 end in 0xFE in
# EUC-JP, which keeps the EUC-JP copy from passing as Shift-JIS.
words = ["東京都", "大阪市", "会議", "時間", "周辺", "見積書", "請求書", "株式会社", "ご案内",
         "お問い合わせ", "新製品", "発表会", "日本語", "予定", "確認", "担当者", "営業部",
         "システム", "サービス", "ホームページ", "メール", "ダウンロード", "価格表", "注文",
         "配送", "今月", "来週", "午前", "午後", "開催", "参加", "申込", "受付", "終了"]
tails = ["について", "のお知らせ", "を行います", "となります", "でございます", "をご覧ください",
         "に変更いたしました", "は下記のとおりです", "をお願いいたします"]
def sentence():
    s = "".join(random.choice(words) + random.choice(["の", "と", "を", "は", "、"])
                for _ in range(random.randint(2, 6)))
    return s + random.choice(words) + random.choice(tails) + random.choice(["。", "！", "。"])
def para():
    parts = []
    for _ in range(random.randint(2, 6)):
        r = random.random()
        if r < 0.15: parts.append('<a href="http://www.example.co.jp/%s/index.html?id=%d&amp;p=%d">%s</a>'
                                  % (random.choice(["news", "info", "shop"]), random.randint(1, 999),
                                     random.randint(1, 9), random.choice(words)))
        elif r < 0.25: parts.append("<b>%s</b>" % random.choice(words))
        elif r < 0.32: parts.append(random.choice(["&nbsp;", "&amp;", "&quot;%s&quot;" % random.choice(words),
                                                   "&lt;%s&gt;" % random.choice(words), "&copy;", "&#12354;"]))
        else: parts.append(sentence())
    text = "\r\n".join(parts)
    return random.choice(["<p>%s</p>", "<p>%s", "<div class=\"text\">%s</div>", "%s<br>"]) % text
def table():
    rows = ['<table border="1" cellpadding="2" cellspacing="0" width="100%">',
            "<tr><th>項目</th><th>内容</th><th align=\"right\">金額</th></tr>"]
    for _ in range(random.randint(3, 20)):
        rows.append('<tr>\r\n  <td nowrap>%s</td>\r\n  <td>%s</td>\r\n  <td align="right">%s円</td>\r\n</tr>'
                    % (random.choice(words), sentence(), format(random.randint(100, 999999), ",")))
    return "\r\n".join(rows + ["</table>"])
def pre():
    lines = ["  %-12s %8d  %s" % ("item%03d" % random.randint(0, 999), random.randint(1, 99999),
                                  random.choice(words)) for _ in range(random.randint(3, 15))]
    return "<pre>\r\n" + "\r\n".join(lines) + "\r\n</pre>"
def script():
    return ('<script type="text/javascript">\r\n<!--\r\nfunction show%d(a, b) {\r\n'
            '  if (a < b && b > 0) document.write("<b>" + a + "</b>");\r\n'
            '  var msg = "%s";\r\n}\r\n//-->\r\n</script>' % (random.randint(0, 99), random.choice(words)))
def select():
    opts = "".join('<option value="%d">%s</option>\r\n' % (i, random.choice(words))
                   for i in range(random.randint(3, 12)))
    return '<form action="/cgi-bin/order.cgi" method="post"><select name="item">\r\n%s</select></form>' % opts
blocks = [para] * 8 + [table] * 3 + [pre, script, select]
total, n = megabytes * 1000 * 1000, 0
written = 0
while written < total:
    title = random.choice(words) + random.choice(tails)
    body = ['<h1>%s</h1>' % title, '<!-- generated page %d -->' % n]
    size = random.randint(20000, 120000)
    length = 0
    while length < size:
        b = random.choice(blocks)()
        body.append(b); length += len(b) * 2
        if random.random() < 0.2: body.append(random.choice(["<hr>", "<br>", "<h2>%s</h2>" % sentence()]))
    page = ('<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN">\r\n<html>\r\n<head>\r\n'
            '<meta http-equiv="Content-Type" content="text/html; charset=Shift_JIS">\r\n'
            '<title>%s</title>\r\n<style type="text/css"><!-- td { padding: 2px; } --></style>\r\n%s\r\n'
            '</head>\r\n<body bgcolor="#FFFFFF" text="#000000">\r\n%s\r\n</body>\r\n</html>\r\n'
            % (title, script(), "\r\n".join(body))).encode("cp932")
    with open(os.path.join(root, "page%04d.htm" % n), "wb") as f:
        f.write(page)
    written += len(page); n += 1
PY
pages=("$work"/pages/*.htm)
cat "${pages[@]}" >"$work/all.sjis"
subset=()
sub_bytes=0
for p in "${pages[@]}"; do
    [ "$sub_bytes" -ge 5000000 ] && break
    subset+=("$p")
    sub_bytes=$((sub_bytes + $(stat -c %s "$p")))
done
iconv -f CP932 -t EUC-JP "$work/all.sjis" >"$work/all.euc"
iconv -f CP932 -t ISO-2022-JP "$work/all.sjis" >"$work/all.jis"
cat "$work"/all.* >/dev/null  # into the page cache

best_of_3() {  # best_of_3 COMMAND...: the least processor time (user + system) of three runs
    local best=1e9 t
    for _ in 1 2 3; do
        /usr/bin/time -f "%U %S" -o "$work/time" "$@" >/dev/null
        t=$(awk '{ print $1 + $2 }' "$work/time")
        best=$(awk -v t="$t" -v m="$best" 'BEGIN { print (t < m) ? t : m }')
    done
    echo "$best"
}
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }

results=$work/results
{
    echo "pages ${#pages[@]} ${#subset[@]}"
    r=$("$bench" html "${pages[@]}")
    echo "ours_html $(field bytes <<<"$r") $(field seconds <<<"$r") $(field out <<<"$r")"
    r=$("$bench" html "${subset[@]}")
    echo "ours_html_subset $(field bytes <<<"$r") $(field seconds <<<"$r")"
    w3m_all='for p; do w3m -dump -T text/html -I SHIFT_JIS -O SHIFT_JIS "$p"; done'
    echo "w3m $sub_bytes $(best_of_3 bash -c "$w3m_all" w3m_all "${subset[@]}")"
    for enc in euc jis; do
        input=$work/all.$enc
        r=$("$bench" convert "$input" "$work/out.$enc")
        if cmp -s "$work/out.$enc" "$work/all.sjis"; then same=same; else same=DIFFERENT; fi
        echo "ours_$enc $(stat -c %s "$input") $(field seconds <<<"$r") $same"
        echo "nkf_$enc $(stat -c %s "$input") $(best_of_3 nkf -s "$input")"
        from=$([ "$enc" = euc ] && echo EUC-JP || echo ISO-2022-JP)
        echo "iconv_$enc $(stat -c %s "$input") $(best_of_3 iconv -f "$from" -t CP932 "$input")"
    done
} >"$results"


echo "generating $real_megabytes MB of real-looking pages in five encodings ..."
real=$work/real
python3 bench/real_pages.py "$real" "$real_megabytes" euc_jp iso-2022-jp utf-8 utf-16
real_sub=()
sub_bytes=0
for p in "$real"/sjis/*.htm; do
    [ "$sub_bytes" -ge 3000000 ] && break
    real_sub+=("$p")
    sub_bytes=$((sub_bytes + $(stat -c %s "$p")))
done
cat "$real"/*.all "$real"/*/*.htm >/dev/null
{
    for enc in sjis euc_jp iso-2022-jp utf-8 utf-16; do
        r=$("$bench" import "$real/$enc"/*.htm)
        echo "import_$enc $(field bytes <<<"$r") $(field seconds <<<"$r") $(field out <<<"$r")"
        /usr/bin/time -f "%U %S %M" -o "$work/time" "$tavori" --encoding sjis html2text \
            "$real/$enc.all" >"$work/text.$enc"
        if cmp -s "$work/text.$enc" "$work/text.sjis"; then same=same; else same=DIFFERENT; fi
        echo "cli_$enc $(stat -c %s "$real/$enc.all") $(awk '{ print $1 + $2, $3 }' "$work/time") $same"
    done
    r=$("$bench" html "$real"/sjis/*.htm)
    echo "html_real $(field bytes <<<"$r") $(field seconds <<<"$r")"
    r=$("$bench" html "${real_sub[@]}")
    echo "html_real_subset $(field bytes <<<"$r") $(field seconds <<<"$r")"
    echo "w3m_real $sub_bytes $(best_of_3 bash -c "$w3m_all" w3m_all "${real_sub[@]}")"
} >>"$results"

python3 - "$results" <<'PY'
import sys
rows = {}
for line in open(sys.argv[1]):
    key, *vals = line.split()
    rows[key] = vals
mbs = lambda key: int(rows[key][0]) / 1e6 / float(rows[key][1])
pages, subset = rows["pages"]
html, html_sub, w3m = mbs("ours_html"), mbs("ours_html_subset"), mbs("w3m")
print(f"HTML to text, {int(rows['ours_html'][0]) / 1e6:.0f} MB in {pages} pages "
      f"({int(rows['ours_html'][2]) / 1e6:.1f} MB of text): HtmlToText {html:.0f} MB/s (target 200)")
print(f"  on the {int(rows['w3m'][0]) / 1e6:.1f} MB subset ({subset} pages): HtmlToText {html_sub:.0f} MB/s, "
      f"w3m -dump {w3m:.1f} MB/s, ratio {html_sub / w3m:.0f}x")
failed = False
for enc, name in (("euc", "EUC-JP"), ("jis", "ISO-2022-JP")):
    ours, nkf, iconv = mbs("ours_" + enc), mbs("nkf_" + enc), mbs("iconv_" + enc)
    same = rows["ours_" + enc][2]
    failed |= same != "same"
    print(f"{name} to Shift-JIS, {int(rows['ours_' + enc][0]) / 1e6:.0f} MB: ConvertToSjis {ours:.0f} MB/s, "
          f"nkf -s {nkf:.0f} MB/s, iconv -t CP932 {iconv:.0f} MB/s; ratio to iconv {ours / iconv:.1f}x "
          f"(target 2x), to nkf {ours / nkf:.1f}x; output {same} as the Shift-JIS text")
print(f"Real-looking pages, {int(rows['import_sjis'][0]) / 1e6:.0f} MB in Shift-JIS:")
print(f"  HtmlToText {mbs('html_real'):.0f} MB/s; on the {int(rows['w3m_real'][0]) / 1e6:.1f} MB subset "
      f"{mbs('html_real_subset'):.0f} MB/s, w3m -dump {mbs('w3m_real'):.1f} MB/s, "
      f"ratio {mbs('html_real_subset') / mbs('w3m_real'):.0f}x")
for enc, name in (("sjis", "Shift-JIS"), ("euc_jp", "EUC-JP"), ("iso-2022-jp", "ISO-2022-JP"),
                  ("utf-8", "UTF-8"), ("utf-16", "UTF-16")):
    size, cpu, peak_kb, same = rows["cli_" + enc]
    failed |= same != "same" or rows["import_" + enc][2] != rows["import_sjis"][2]
    print(f"  {name:12} import reading + HtmlToText {mbs('import_' + enc):4.0f} MB/s (target 300); "
          f"tavori html2text on one {int(size) / 1e6:.0f} MB file {int(size) / 1e6 / float(cpu):4.0f} MB/s, "
          f"peak {int(peak_kb) / 1024:.0f} MB = {int(peak_kb) * 1024 / int(size):.1f}x the file; text {same}")
if failed:
    print("CHECK FAILED: a conversion or an encoding gave another text than the Shift-JIS one")
    sys.exit(1)
PY
