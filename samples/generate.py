#!/usr/bin/env python3
"""Writes the demo mail store in samples/data: a data folder in the mail client's layout with
Japanese mails in Shift-JIS and CR LF, mailbox files separated by CR LF "." CR LF.

Run it again after changing it; the files it writes are committed."""
import base64
import os
import shutil

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "data")


def word(text):
    """An ISO-2022-JP base64 encoded-word."""
    return "=?ISO-2022-JP?B?" + base64.b64encode(text.encode("iso-2022-jp")).decode() + "?="


def mail(headers, body):
    lines = [f"{k}: {v}" for k, v in headers]
    return ("\r\n".join(lines) + "\r\n\r\n" + body.replace("\n", "\r\n")).encode("cp932")


def mailbox(path, mails):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        for m in mails:
            f.write(m + b"\r\n.\r\n")


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def user0():
    base = os.path.join(DATA, "User0")
    meeting = mail([
        ("Date", "Tue, 05 Mar 2024 10:15:00 +0900"),
        ("From", word("山田太郎") + " <yamada@example.co.jp>"),
        ("To", "suzuki@example.jp, " + word("佐藤花子") + " <sato@example.jp>"),
        ("Cc", "<tanaka@example.jp>"),
        ("Subject", word("来週の打ち合わせについて")),
        ("Message-Id", "<20240305101500.1234@example.co.jp>"),
        ("X-Mailer", "Sample Mailer 2.0"),
    ], "鈴木様\n\nいつもお世話になっております。山田です。\n来週の打ち合わせは火曜日の14時からでお願いします。\n\n#議題\n1. 予算\n2. 日程\n\n山田")
    reply = mail([
        ("Date", "Tue, 05 Mar 2024 03:20:00 GMT"),
        ("From", "\"Suzuki Ichiro\" <suzuki@example.jp>"),
        ("To", "yamada@example.co.jp"),
        ("Subject", word("Re: 来週の打ち合わせについて")),
        ("Message-Id", "<5678@example.jp>"),
        ("References", "<20240305101500.1234@example.co.jp>"),
        ("In-Reply-To", "<20240305101500.1234@example.co.jp>"),
        ("Reply-To", "Suzuki <suzuki-reply@example.jp>"),
        ("X-Becky-Attachment-File", "minutes.eml"),
        ("X-Becky-Attachment-File", "agenda.txt"),
    ], "山田様\n\n承知しました。議事録を添付します。\n\n> 来週の打ち合わせは火曜日の14時からでお願いします。\n\n鈴木")
    notice = mail([
        ("Date", "Wed, 6 Mar 2024 9:05 +0900"),
        ("From", "info@example.com"),
        ("To", "yamada@example.co.jp"),
        ("Subject", "Service notice"),
    ], "This is a plain ASCII mail.\nIt has no Japanese text.")
    mailbox(os.path.join(base, "Work", "Work.mbx"), [meeting, reply, notice])
    write(os.path.join(base, "Attach", "minutes.eml"), mail([
        ("Date", "Tue, 05 Mar 2024 12:00:00 +0900"),
        ("From", "suzuki@example.jp"),
        ("Subject", word("議事録")),
        ("Message-Id", "<minutes-1@example.jp>"),
    ], "議事録\n出席者: 山田、鈴木\n決定事項: 予算案を承認"))


def user3():
    base = os.path.join(DATA, "User3")
    trip = mail([
        ("Date", "Sat, 10 Aug 2024 08:00:00 +0900"),
        ("From", word("母") + " <mother@example.ne.jp>"),
        ("To", "taro@example.jp"),
        ("Subject", word("夏休みの旅行")),
        ("Message-Id", "<trip-1@example.ne.jp>"),
        ("X-Becky-Attachment-File", "plan.eml"),
    ], "太郎へ\n\n旅行の予定を送ります。\n表計算ソフトの表を添付します。\n\n母より")
    reply = mail([
        ("Date", "Sat, 10 Aug 2024 21:30:00 +0900"),
        ("From", "taro@example.jp"),
        ("To", word("母") + " <mother@example.ne.jp>"),
        ("Subject", word("Re: 夏休みの旅行")),
        ("Message-Id", "<trip-2@example.jp>"),
        ("In-Reply-To", "<trip-1@example.ne.jp>"),
        ("References", "<trip-1@example.ne.jp>"),
    ], "了解です。楽しみにしています。")
    mailbox(os.path.join(base, "家族", "家族.mbx"), [trip, reply])
    write(os.path.join(base, "Attach", "plan.eml"), mail([
        ("Date", "Sat, 10 Aug 2024 07:55:00 +0900"),
        ("From", "mother@example.ne.jp"),
        ("Subject", word("旅行の予定表")),
    ], "1日目: 東京→京都\n2日目: 奈良\n3日目: 帰宅"))
    hotel = mail([
        ("Date", "Mon, 12 Aug 2024 10:00:00 +0900"),
        ("From", word("旅館ソ表能") + " <yoyaku@example.com>"),
        ("To", "taro@example.jp"),
        ("Subject", word("ご予約の確認")),
        ("Message-Id", "<hotel-1@example.com>"),
    ], "ご予約ありがとうございます。\n.\n以上")
    # The same mail twice (same subject and date): what the duplicate cleanup finds.
    mailbox(os.path.join(base, "家族", "旅行", "旅行.mbx"), [hotel, hotel, reply])
    mailbox(os.path.join(base, "Notes.old.mbx"), [mail([
        ("Date", "Thu, 1 Feb 2024 12:00:00 +0900"),
        ("From", "taro@example.jp"),
        ("Subject", word("メモ")),
    ], "古いメモ")])
    # Names the client reserves: never shown.
    for reserved in ("Inbox", "Trash", "Attach"):
        mailbox(os.path.join(base, reserved, reserved + ".mbx"), [reply])
    mailbox(os.path.join(base, "Inbox.mbx"), [reply])
    mailbox(os.path.join(base, "Trash.mbx"), [reply])


def imports():
    base = os.path.join(HERE, "import")
    if os.path.isdir(base):
        shutil.rmtree(base)
    write(os.path.join(base, "letter.txt"), ("From: hanako@example.jp\r\nSubject: お知らせ\r\n"
          "Date: Fri, 01 Mar 2024 09:00:00 +0900\r\n\r\n来月の予定をお知らせします。\r\n").encode("cp932"))
    write(os.path.join(base, "saved.eml"), mail([
        ("Date", "Fri, 01 Mar 2024 10:00:00 +0900"),
        ("From", word("花子") + " <hanako@example.jp>"),
        ("Subject", word("保存したメール")),
    ], "これは .eml ファイルです。"))
    page = ("<html><head><meta charset=\"{cs}\"><title>メール</title></head><body>"
            "<p>ここから</p><pre>From: web@example.jp\nSubject: ウェブのメール\n\n"
            "本文です。&lt;表示&gt; &amp; 能力</pre><p>ここまで</p></body></html>\n")
    for name, codec, cs in (("page-sjis.htm", "cp932", "Shift_JIS"),
                            ("page-euc.htm", "euc_jp", "EUC-JP"),
                            ("page-jis.htm", "iso-2022-jp", "ISO-2022-JP"),
                            ("page-utf8.htm", "utf-8", "UTF-8")):
        write(os.path.join(base, name), page.format(cs=cs).replace("\n", "\r\n").encode(codec))


def registry():
    """A Wine registry file (user.reg format) with the client's keys: users 0 and 3, an empty
    Account for user 1, and user 25, which lies beyond the numbers the client uses."""
    def esc(text):
        return "".join(c if 32 <= ord(c) < 127 and c not in '"\\' else
                       ("\\" + c if c in '"\\' else "\\x%04x" % ord(c)) for c in text)
    key = "Software\\\\RIMArts\\\\Rebecca"
    lines = ["WINE REGISTRY Version 2", ";; the demo mail store's registry keys", "#arch=win64", ""]
    home = esc("C:\\Becky!\\")
    lines += [f"[{key}\\\\Settings] 1733600000", f'"HomeDir"="{home}"', ""]
    for n, account in ((0, "山田太郎 (仕事)"), (1, ""), (3, "山田太郎 (家族)"), (25, "Beyond")):
        value = esc(account)
        lines += [f"[{key}\\\\Users\\\\{n}] 1733600000", f'"Account"="{value}"', ""]
    write(os.path.join(HERE, "demo-user.reg"), "\n".join(lines).encode("ascii"))


def main():
    if os.path.isdir(DATA):
        shutil.rmtree(DATA)
    user0()
    user3()
    imports()
    registry()


if __name__ == "__main__":
    main()
