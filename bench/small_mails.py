#!/usr/bin/env python3
"""Writes a mail store of realistic small Japanese mails, the kind a user has years of.

Mails of about 1 to 4 KB, the median near 2 KB: encoded-word Subject, From and To
(ISO-2022-JP, B), Message-Id, References and In-Reply-To on replies, X-Mailer, a 7-bit
ISO-2022-JP body of 8 to 60 lines; one mail in five a copy of an earlier one (same Subject and
Date); one in 400 names an .EML attachment in the user's Attach folder. Fixed seed: the same
store every time.

Usage: bench/small_mails.py ROOT [MEGABYTES] [FILES]   (default 200 MB in 4 mailbox files)
Writes ROOT/User0/*.mbx and ROOT/User0/Attach/*.eml.
"""
import base64
import datetime
import os
import random
import sys


def word(text):
    return "=?ISO-2022-JP?B?" + base64.b64encode(text.encode("iso-2022-jp")).decode() + "?="


PEOPLE = [(word(n), r) for n, r in [
    ("山田太郎", "yamada"), ("佐藤花子", "sato"), ("鈴木一郎", "suzuki"), ("高橋美咲", "takahashi"),
    ("田中健", "tanaka"), ("伊藤直子", "ito"), ("渡辺聡", "watanabe"), ("中村由美", "nakamura")]]
TOPICS = ["来週の打ち合わせについて", "見積書の送付", "議事録", "会議室の予約", "ご確認のお願い",
          "新製品発表会のご案内", "請求書について", "出張報告", "システム更新のお知らせ", "納期の件"]
LINES = [l.encode("iso-2022-jp") for l in [
    "いつもお世話になっております。", "株式会社サンプルの山田です。",
    "先日はお忙しいところお時間をいただき、ありがとうございました。",
    "標記の件につきまして、下記のとおりご連絡いたします。",
    "日時: 三月十二日（火）十四時から十五時まで", "場所: 本社三階 第二会議室",
    "資料は当日お配りいたしますので、ご確認のほどよろしくお願いいたします。",
    "ご不明な点がございましたら、お気軽にお問い合わせください。",
    "お手数をおかけしますが、今週中にご返信いただけますと幸いです。",
    "なお、見積金額には消費税が含まれておりません。",
    "引き続きどうぞよろしくお願い申し上げます。", "",
    "> 先日の件、承知いたしました。", "> 詳細は追ってご連絡します。",
    "----------------------------------------------------",
    "Please find the details below. Thank you for your cooperation.",
]]


def main():
    root = sys.argv[1]
    megabytes = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    files = int(sys.argv[3]) if len(sys.argv) > 3 else 4
    rng = random.Random(12)
    user = os.path.join(root, "User0")
    attach = os.path.join(user, "Attach")
    os.makedirs(attach, exist_ok=True)
    outs = [open(os.path.join(user, "box%d.mbx" % f), "wb") for f in range(files)]
    target = megabytes * 1000 * 1000
    written = 0
    stamp = datetime.datetime(2015, 4, 1, 9, 0, 0,
                              tzinfo=datetime.timezone(datetime.timedelta(hours=9)))
    earlier = []  # (subject, date) of mails a copy may repeat
    i = 0
    while written < target:
        i += 1
        stamp += datetime.timedelta(seconds=rng.randint(30, 900))
        when = stamp.strftime("%a, %d %b %Y %H:%M:%S +0900")
        if earlier and rng.random() < 0.2:
            subject, when = rng.choice(earlier)
        else:
            subject = word(("Re: " if i % 3 == 0 else "") + rng.choice(TOPICS) + "（%d）" % (i % 997))
            earlier.append((subject, when))
            if len(earlier) > 5000:
                earlier.pop(0)
        sender, to = rng.choice(PEOPLE), rng.choice(PEOPLE)
        head = ("Return-Path: <%s@example.co.jp>\r\n"
                "Received: from mail%d.example.co.jp (mail%d.example.co.jp [192.0.2.%d])\r\n"
                "\tby mx.example.jp with ESMTP id %08X; %s\r\n"
                "Date: %s\r\nFrom: %s <%s@example.co.jp>\r\nTo: %s <%s@example.jp>\r\n"
                "Subject: %s\r\nMessage-Id: <%d.%08X@example.co.jp>\r\n"
                % (sender[1], i % 7, i % 7, i % 250, i, when, when, sender[0], sender[1],
                   to[0], to[1], subject, i, rng.getrandbits(32)))
        if i % 3 == 0 and i > 3:
            head += ("In-Reply-To: <%d.0@example.co.jp>\r\n"
                     "References: <%d.0@example.co.jp> <%d.0@example.co.jp>\r\n" % (i - 1, i - 3, i - 1))
        head += ("MIME-Version: 1.0\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n"
                 "Content-Transfer-Encoding: 7bit\r\nX-Mailer: Bench Mailer 2.1\r\n")
        if i % 400 == 0:
            name = "a%d.eml" % i
            head += "X-Becky-Attachment-File: %s\r\n" % name
            with open(os.path.join(attach, name), "wb") as a:
                a.write(("Subject: " + word("添付メール") + "\r\n\r\n").encode("ascii") +
                        b"\r\n".join(rng.choice(LINES) for _ in range(10)) + b"\r\n")
        # Most mails near 2 KB: 8 to 60 body lines, weighted towards 28.
        lines = max(8, min(60, int(rng.gauss(28, 12))))
        body = b"\r\n".join(rng.choice(LINES) for _ in range(lines))
        mail = head.encode("ascii") + b"\r\n" + body + b"\r\n.\r\n"
        outs[rng.randrange(files)].write(mail)
        written += len(mail)
    for o in outs:
        o.close()
    print("%d mails, %d bytes" % (i, written))


if __name__ == "__main__":
    main()
