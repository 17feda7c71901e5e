#!/usr/bin/env python3
"""The export written with Python's standard library, to measure tavori export against.

Does per mail what tavori export does: splits each mailbox file at the "\\r\\n.\\r\\n" lines,
parses the message with the email package, decodes the ISO-2022-JP encoded-words of the fields
the REN record holds, parses the Date (GMT moved to Japanese time, other zones as written),
applies the body rules (trimmed, a space before a line that begins with "#" or is "." alone,
no two empty lines in a row) and writes one record per mail in Shift-JIS (cp932), then one per
.EML attachment the mail names. Like tavori the body keeps its bytes; --decode-body also turns
it from ISO-2022-JP into cp932, which tavori does not do.

Usage: bench/python_export.py [--decode-body] [--width N] -o OUT.REN --attach-dir DIR MBX...
"""
import argparse
import datetime
import email
import email.errors
import email.header
import email.policy
import email.utils
import os
import re
import sys

SEPARATOR = b"\r\n.\r\n"
JST = datetime.timedelta(hours=9)
MARKED_LINE = re.compile(rb"^(?=#|\.\r?$)", re.M)  # a space goes before these lines
EMPTY_RUNS = re.compile(rb"(?:\r\n){3,}")


def field(msg, name):
    """The field decoded to text, blanks trimmed; "" when the mail has none."""
    value = msg.get(name)
    if value is None:
        return ""
    value = value.replace("\t", " ")
    try:
        return str(email.header.make_header(email.header.decode_header(value))).strip()
    except (UnicodeError, LookupError, email.errors.HeaderParseError):
        return value.strip()  # a broken encoded-word leaves the field as written


def bracketed(text, open_, close, strict):
    o = text.find(open_)
    if o >= 0:
        c = text.find(close, o + 1)
        if c >= 0:
            return text[o + 1:c]
    return "" if strict else text


def elements(text, strict):
    """Each element of an address or id list: the bracketed part of what remains."""
    start = 0
    while start < len(text):
        yield bracketed(text[start:], "<", ">", strict)
        gt = text.find(">", start)
        start = len(text) if gt < 0 else gt + 1


def mail_date(msg):
    value = msg.get("Date")
    if not value or not value.strip():
        return None
    when = email.utils.parsedate_to_datetime(value)  # ValueError ends the run, as in tavori
    if value.rstrip().upper().endswith("GMT"):
        when += JST
    return when


def body_text(msg, decode):
    body = msg.get_payload(decode=True) or b""
    if decode:
        body = body.decode("iso-2022-jp", "replace").encode("cp932", "replace")
    body = body.replace(b"\x1a", b"").strip()
    return EMPTY_RUNS.sub(b"\r\n\r\n", MARKED_LINE.sub(b" ", body))


def record(msg, args):
    keys = []
    add = keys.append
    subject = field(msg, "Subject") or "(no-title)"
    sender = field(msg, "From")
    add(bracketed(sender, "<", ">", False) + "＠差出人")
    lt = sender.find("<")
    if lt >= 1:
        add(bracketed(sender[:lt].strip(), '"', '"', False) + "＠氏名")
    for name, label in (("To", "＠受取人"), ("Cc", "＠写し")):
        keys.extend(e + label for e in elements(field(msg, name), False))
    when = mail_date(msg)
    if when is None:
        add("不明＠送信日時")
    else:
        add(when.strftime("%Y/%m/%d"))
        add(when.strftime("%Y/%m/%d %H:%M:%S") + "＠送信日時")
    reply_to = field(msg, "Reply-To")
    if reply_to:
        add(bracketed(reply_to, "<", ">", False) + "＠返信先")
    mail_id = bracketed(field(msg, "Message-Id"), "<", ">", True)
    if mail_id:
        add(mail_id + "＠ＩＤ")
    listed = []
    for name in ("References", "In-Reply-To"):
        for ref in elements(field(msg, name), True):
            if ref and ref not in listed:
                listed.append(ref)
                add(ref + "＠参照")
    mailer = field(msg, "X-Mailer")
    if mailer:
        add(bracketed(mailer, "<", ">", False) + "＠メールソフト")
    head = "#S\r\n#W%d\r\n#T%s" % (args.width, subject) + "".join("\r\n#K" + k for k in keys)
    if args.refs and listed:
        head += "\r\n" + "".join("▼%s▲\r\n" % ref for ref in listed)
    return (head + "\r\n").encode("cp932", "replace") + body_text(msg, args.decode_body) + \
        b"\r\n#E\r\n\r\n"


def messages(data):
    for text in data.split(SEPARATOR):
        if text.strip():
            yield email.message_from_bytes(text.replace(b"\x1a", b""),
                                           policy=email.policy.compat32)


def attachments(msg, attach_dir):
    for name in msg.get_all("X-Becky-Attachment-File", []):
        name = name.strip()
        path = os.path.join(attach_dir, name)
        if name.upper().endswith(".EML") and ".." not in name and os.path.isfile(path):
            with open(path, "rb") as f:
                yield from messages(f.read().split(SEPARATOR, 1)[0])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("-o", "--output", required=True)
    parser.add_argument("--attach-dir", default="")
    parser.add_argument("--width", type=int, default=40)
    parser.add_argument("--refs", action="store_true")
    parser.add_argument("--decode-body", action="store_true")
    parser.add_argument("mailboxes", nargs="+")
    args = parser.parse_args()
    mails = attached = 0
    with open(args.output, "wb", buffering=65536) as out:
        for path in args.mailboxes:
            with open(path, "rb") as f:
                data = f.read()
            for msg in messages(data):
                out.write(record(msg, args))
                mails += 1
                for part in attachments(msg, args.attach_dir):
                    out.write(record(part, args))
                    attached += 1
    print("%d mails, %d attachments" % (mails, attached))


if __name__ == "__main__":
    sys.exit(main())
