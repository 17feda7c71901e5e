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


def main():
    if os.path.isdir(DATA):
        shutil.rmtree(DATA)
    user0()


if __name__ == "__main__":
    main()
