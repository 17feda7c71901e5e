#!/usr/bin/env python3
"""Pages written the way real Japanese pages are: help files, mailing-list archives and
forums of hand-written HTML, one element or a short phrase per CR LF line, with tables,
lists, navigation bars, named and numeric references and archived mails in PRE blocks.
Unlike html_bench.sh's generated pages (few long lines), these have many short lines, the
shape that costs a reader most per byte.

Usage: real_pages.py DIR MEGABYTES [ENCODING...]
Writes DIR/sjis/pageNNNN.htm (Shift-JIS, a <meta> naming it) with a fixed seed, the same
pages in each further ENCODING (euc_jp, iso-2022-jp, utf-8, utf-16) under DIR/<encoding>/,
their <meta> naming that encoding, and DIR/<encoding>.all: the pages of one encoding in one
file, the way a saved archive holds them."""
import os
import random
import sys

WORDS = ["設定", "画面", "メニュー", "ボタン", "フォルダ", "メール", "受信", "送信", "返信",
         "転送", "添付", "署名", "宛先", "件名", "本文", "アドレス帳", "検索", "印刷", "表示",
         "保存", "削除", "移動", "コピー", "振り分け", "フィルタ", "アカウント", "サーバー",
         "パスワード", "接続", "暗号化", "証明書", "文字コード", "ヘルプ", "バージョン", "注意",
         "東京", "大阪", "会議", "予定", "確認", "お知らせ", "参加", "周辺", "時間", "京都"]
TAILS = ["します。", "できます。", "してください。", "を選びます。", "が表示されます。",
         "は使えません。", "になります。", "を参照してください。", "に注意してください。"]
NAMES = ["山田", "鈴木", "佐藤", "田中", "高橋", "伊藤", "渡辺", "中村"]


def phrase(rng):
    s = "".join(rng.choice(WORDS) + rng.choice(["の", "を", "に", "で", "と", "、"])
                for _ in range(rng.randint(1, 3)))
    return s + rng.choice(WORDS) + rng.choice(TAILS)


def inline(rng):
    r = rng.random()
    if r < 0.2:
        return '<A HREF="%s%02d.htm">%s</A>' % (rng.choice(["menu", "opt", "faq"]),
                                               rng.randint(0, 99), rng.choice(WORDS))
    if r < 0.3:
        return "<B>%s</B>" % rng.choice(WORDS)
    if r < 0.4:
        return rng.choice(["&nbsp;", "&gt;", "&lt;%s&gt;" % rng.choice(WORDS), "&amp;",
                           "&quot;%s&quot;" % rng.choice(WORDS), "&#169;", "&copy;"])
    return phrase(rng)


def paragraph(rng):
    lines = ["<P>"]
    for _ in range(rng.randint(1, 5)):
        lines.append(" ".join(inline(rng) for _ in range(rng.randint(1, 2))) + rng.choice(["<BR>", ""]))
    return lines + ["</P>"]


def item_list(rng):
    tag = rng.choice(["UL", "OL"])
    lines = ["<%s>" % tag]
    for _ in range(rng.randint(3, 10)):
        lines.append("<LI>" + inline(rng))
    return lines + ["</%s>" % tag]


def table(rng):
    lines = ['<TABLE BORDER="1" CELLPADDING="3" CELLSPACING="0">', "<TR>",
             '<TH NOWRAP>項目</TH>', "<TH>説明</TH>", "</TR>"]
    for _ in range(rng.randint(3, 12)):
        lines += ["<TR>", '<TD NOWRAP VALIGN="top">%s</TD>' % rng.choice(WORDS),
                  "<TD>%s</TD>" % inline(rng), "</TR>"]
    return lines + ["</TABLE>"]


def archived_mail(rng):
    name = rng.choice(NAMES)
    lines = ["<PRE>", "From: %s &lt;%s@example.jp&gt;" % (name, "user%d" % rng.randint(1, 99)),
             "Subject: [ml:%05d] %s" % (rng.randint(1, 99999), phrase(rng)),
             "Date: Mon, %d Mar 2003 %02d:%02d:00 +0900" % (rng.randint(1, 28), rng.randint(0, 23),
                                                             rng.randint(0, 59)), ""]
    for _ in range(rng.randint(3, 12)):
        lines.append(rng.choice(["&gt; ", "", "", ""]) + phrase(rng))
    return lines + ["", "--", "%s@example.jp" % name, "</PRE>", "[前の記事] [次の記事] [一覧]"]


def navigation(rng):
    return ['<DIV CLASS="nav">', '<A HREF="index.htm">目次</A> |',
            '<A HREF="p%02d.htm">前へ</A> |' % rng.randint(0, 99),
            '<A HREF="p%02d.htm">次へ</A>' % rng.randint(0, 99), "</DIV>", "<HR>"]


def page(rng, number, charset):
    body = navigation(rng) + ["<H2>%s</H2>" % (rng.choice(WORDS) + "について")]
    blocks = [paragraph] * 5 + [item_list] * 2 + [table] * 2 + [archived_mail]
    size = rng.randint(4000, 40000)
    while sum(len(line) for line in body) < size:
        body += rng.choice(blocks)(rng)
    head = ['<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN">', "<HTML>", "<HEAD>",
            '<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=%s">' % charset,
            "<TITLE>%s (%d)</TITLE>" % (rng.choice(WORDS), number),
            '<LINK REL="stylesheet" TYPE="text/css" HREF="help.css">', "</HEAD>",
            '<BODY BGCOLOR="#FFFFFF">']
    return "\r\n".join(head + body + navigation(rng) + ["</BODY>", "</HTML>", ""])


CODECS = {"sjis": ("cp932", "Shift_JIS"), "euc_jp": ("euc_jp", "EUC-JP"),
          "iso-2022-jp": ("iso-2022-jp", "ISO-2022-JP"), "utf-8": ("utf-8", "UTF-8"),
          "utf-16": ("utf-16", "UTF-16")}


def main():
    root, megabytes = sys.argv[1], float(sys.argv[2])
    encodings = ["sjis"] + sys.argv[3:]
    rng = random.Random(7)
    texts, total, n = [], 0, 0
    while total < megabytes * 1e6:
        texts.append(page(rng, n, "{charset}"))
        total += len(texts[-1].encode("cp932"))
        n += 1
    for encoding in encodings:
        codec, charset = CODECS[encoding]
        folder = os.path.join(root, encoding)
        os.makedirs(folder, exist_ok=True)
        pages = [text.replace("{charset}", charset) for text in texts]
        for i, text in enumerate(pages):
            with open(os.path.join(folder, "page%04d.htm" % i), "wb") as f:
                f.write(text.encode(codec))
        with open(os.path.join(root, encoding + ".all"), "wb") as f:
            f.write("".join(pages).encode(codec))  # one byte-order mark for UTF-16


if __name__ == "__main__":
    main()
