#!/usr/bin/env python3
"""The decoding mode against an independent reading of the same mail: Python's email package.
Generates MIME mail (random nesting, charsets, both transfer encodings, folding, attachment
names, broken parts) into one mailbox file, runs `tavori export --decode` and `tavori show
--decode` on it, and compares Subject, the sender's name and the body text, converted to
Shift-JIS by the tool's rules, byte for byte with what Python decodes.
Usage: mime_differential_test.py TAVORI [COUNT] [SEED]"""
import base64
import email
import email.policy
import os
import random
import sys

from harness import check, report, runner, scratch, write

run = runner(timeout=120)
COUNT = int(sys.argv[2]) if len(sys.argv) > 2 else 400
rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 2026)

# Texts each charset can hold, with the look-alikes of Mac and Unix mail where they can.
JAPANESE = "あいうえおかきくけこアイウエオ日本語件名漢字表示能ソ①Ⅱ〜−‖¢£¬—。、「」ｱｲｳ　"
POOLS = {
    "utf-8": JAPANESE + "éüßΩЖ한국中文😀€",
    "iso-2022-jp": "あいうえおアイウエオ日本語件名漢字表示能ソ〜−‖¢£¬—。、「」",
    "shift_jis": "あいうえおアイウエオ日本語件名漢字表示能ソ。、「」ｱｲｳ",
    "euc-jp": "あいうえおアイウエオ日本語件名漢字表示能ソ。、「」",
    "iso-8859-1": "éèüöäßñçÆØ£¢¬©",
    "windows-1252": "éü€‚„…‰Š",
    "koi8-r": "ЖЗИКЛМНОПабвгд",
    "gb2312": "中文简体汉字",
    "big5": "中文繁體漢字",
    "euc-kr": "한국어문자",
}

def encodable(ch, cs):
    try:
        ch.encode(cs)
        return True
    except UnicodeError:
        return False


POOLS = {cs: "".join(ch for ch in pool if encodable(ch, cs)) for cs, pool in POOLS.items()}
ASCII_WORDS = ["Re:", "Fwd:", "news", "2026", "[list:123]", "hello", "a-b", "(info)"]
LOOK_ALIKES = {"\u301c": "\uff5e", "\u2016": "\u2225", "\u2212": "\uff0d", "\u00a2": "\uffe0",
               "\u00a3": "\uffe1", "\u00ac": "\uffe2", "\u2014": "\u2015"}


def to_sjis(text):
    """The tool's rule: look-alikes to the code page's characters, every other character
    exactly or as 〓."""
    out = bytearray()
    for ch in text:
        ch = LOOK_ALIKES.get(ch, ch)
        try:
            b = ch.encode("cp932")
            if b.decode("cp932") != ch:
                raise UnicodeError
            out += b
        except UnicodeError:
            out += "〓".encode("cp932")
    return bytes(out)


def random_text(pool, n):
    return "".join(rng.choice(pool) for _ in range(n))


def encoded_word(text, charset, q):
    data = text.encode(charset)
    if not q:
        return f"=?{charset}?B?{base64.b64encode(data).decode()}?="
    enc = "".join(chr(b) if (chr(b).isalnum() and b < 128) else ("_" if b == 32 else f"={b:02X}")
                  for b in data)
    return f"=?{charset}?Q?{enc}?="


def pick_charset():
    return rng.choice(list(POOLS))


def header_value(allow_adjacent=True):
    """A header value of encoded words and ASCII words, folded where it grows long, or now and
    then raw UTF-8 as some mailers write it."""
    if rng.random() < 0.08:
        return random_text(POOLS["utf-8"] + "ab ", rng.randint(1, 12)).strip() or "x"
    parts, last_encoded = [], False
    for _ in range(rng.randint(1, 4)):
        if rng.random() < 0.3:
            parts.append(rng.choice(ASCII_WORDS))
            last_encoded = False
            continue
        if last_encoded and not allow_adjacent:
            parts.append(rng.choice(ASCII_WORDS))
        cs = pick_charset()
        text = random_text(POOLS[cs], rng.randint(1, 8))
        q = cs in ("iso-8859-1", "windows-1252", "utf-8") and rng.random() < 0.5
        parts.append(encoded_word(text, cs, q))
        last_encoded = True
    value, line = "", 0
    for i, p in enumerate(parts):
        sep = "" if i == 0 else ("\r\n " if line + len(p) > 60 else " ")
        line = len(p) if sep.startswith("\r") else line + len(sep) + len(p)
        value += sep + p
    return value


def body_text():
    cs = pick_charset()
    lines = []
    for _ in range(rng.randint(1, 6)):
        line = random_text(POOLS[cs] + "abc 123", rng.randint(0, 30))
        if rng.random() < 0.1:
            line = "#" + line
        lines.append(line)
    return cs, "\r\n".join(lines) + "\r\n"


def text_part(subtype="plain"):
    cs, text = body_text()
    if subtype == "html":
        text = "<html><body><p>" + text.replace("<", " ") + "</p></body></html>\r\n"
    data = text.encode(cs)
    cte = rng.choice(["base64", "quoted-printable"] + (["7bit"] if cs == "iso-2022-jp" else []))
    if cte == "base64":
        payload = base64.encodebytes(data).replace(b"\n", b"\r\n")
        if rng.random() < 0.1:  # a broken part: noise between the lines
            payload = payload.replace(b"\r\n", b"\r\n!*\r\n", 1)
    elif cte == "quoted-printable":
        import quopri
        payload = quopri.encodestring(data.replace(b"\r\n", b"\n")).replace(b"\n", b"\r\n")
    else:
        payload = data
    head = (f"Content-Type: text/{subtype}; charset=\"{cs}\"\r\n"
            f"Content-Transfer-Encoding: {cte}\r\n").encode()
    return head + b"\r\n" + payload.rstrip(b"\r\n") + b"\r\n"


def attachment():
    name = rng.choice(["data.bin", "写真.png", "資料 2026.pdf", "ü.txt"])
    data = bytes(rng.randrange(256) for _ in range(rng.randint(0, 300)))
    if all(ord(c) < 128 for c in name):
        disp = f'attachment; filename="{name}"'
    else:
        from urllib.parse import quote
        disp = f"attachment; filename*=utf-8''{quote(name)}"
    body = base64.encodebytes(data).replace(b"\n", b"\r\n")
    return (f"Content-Type: application/octet-stream\r\nContent-Disposition: {disp}\r\n"
            "Content-Transfer-Encoding: base64\r\n\r\n").encode() + body


def multipart(subtype, parts, close=True):
    boundary = f"=_b{rng.randrange(10**9)}"
    out = f"Content-Type: multipart/{subtype}; boundary=\"{boundary}\"\r\n\r\npreamble\r\n".encode()
    for p in parts:
        out += f"--{boundary}\r\n".encode() + p
    if close:
        out += f"--{boundary}--\r\nepilogue\r\n".encode()
    return out


def entity(depth=0):
    shape = rng.random()
    if shape < 0.08 and depth < 3:  # one more level of nesting
        return multipart(rng.choice(["mixed", "related"]), [entity(depth + 1), attachment()])
    if shape < 0.35:
        return text_part()
    if shape < 0.55:
        return multipart("alternative", [text_part(), text_part("html")])
    main = text_part() if rng.random() < 0.5 else multipart(
        "alternative", [text_part(), text_part("html")])
    return multipart("mixed", [main] + [attachment() for _ in range(rng.randint(1, 3))],
                     close=rng.random() > 0.1)


def message():
    name_cs = rng.choice(["utf-8", "iso-2022-jp", "shift_jis"])
    name = encoded_word(random_text(POOLS[name_cs], rng.randint(1, 6)), name_cs, False)
    head = (f"Subject: {header_value()}\r\nFrom: {name} <u{rng.randrange(999)}@example.jp>\r\n"
            "Date: Tue, 05 Mar 2024 12:34:56 +0900\r\nMIME-Version: 1.0\r\n").encode("utf-8")
    return head + entity()


# The oracle's body: the text Python's get_body chooses, then a line for each other part.
def oracle_body(msg):
    text = ""
    body = msg.get_body(preferencelist=("plain",))
    if body is not None:
        text = body.get_content()
    names = []
    for part in msg.walk():
        if part.is_multipart() or part is body or part.get_content_maintype() == "text":
            continue
        payload = part.get_payload(decode=True) or b""
        names.append(f"[添付] {part.get_filename()} ({part.get_content_type()}, "
                     f"{len(payload):,} バイト)")
    if names:
        text += "\r\n\r\n" + "\r\n".join(names)
    data = to_sjis(text.replace("\r\n", "\n").replace("\r", "\n").replace("\n", "\r\n"))
    data = data.strip(bytes(range(33)))
    lines = []
    for line in data.split(b"\r\n"):
        if line.startswith(b"#") or line == b".":
            line = b" " + line
        lines.append(line)
    data = b"\r\n".join(lines)
    while b"\r\n\r\n\r\n" in data:
        data = data.replace(b"\r\n\r\n\r\n", b"\r\n\r\n")
    return data


def records(ren):
    """(title, name, body) of each REN record."""
    out = []
    for rec in ren.split(b"#S\r\n")[1:]:
        lines = rec.split(b"\r\n")
        title = lines[1][2:]
        name = next((l[2:-len("＠氏名".encode("cp932"))] for l in lines
                     if l.endswith("＠氏名".encode("cp932"))), b"")
        start = max(i for i, l in enumerate(lines) if l.startswith(b"#K")) + 1
        end = len(lines) - 1 - lines[::-1].index(b"#E")
        out.append((title, name, b"\r\n".join(lines[start:end])))
    return out


with scratch() as tmp:
    raws = []
    while len(raws) < COUNT:
        raw = message()
        if b"\r\n.\r\n" not in raw:
            raws.append(raw)
    box = os.path.join(tmp, "mime.mbx")
    write(box, b"".join(r + b"\r\n.\r\n" for r in raws))
    ren = os.path.join(tmp, "mime.REN")
    code, out, err = run("export", "--decode", "-o", ren, box)
    check(code == 0, f"export --decode: exit {code}: {err!r}")
    got = records(open(ren, "rb").read())
    check(len(got) == COUNT, f"{len(got)} records of {COUNT}")
    code, shown, err = run("--encoding", "sjis", "show", "--decode", box)
    check(code == 0, f"show --decode: exit {code}: {err!r}")
    shown = shown.split(b"\r\n" if b"\r\n" in shown else b"\n")
    failures = 0
    for i, raw in enumerate(raws[:len(got)]):
        msg = email.message_from_bytes(raw, policy=email.policy.default)
        subject = to_sjis(str(msg["Subject"]))
        name = to_sjis(msg["From"].addresses[0].display_name)
        body = oracle_body(msg)
        title, got_name, got_body = got[i]
        fields = shown[i].split(b"\t")
        for what, want, have in [("Subject", subject, title), ("name", name, got_name),
                                 ("body", body, got_body), ("shown Subject", subject, fields[5])]:
            if want != have and failures < 10:
                failures += 1
                check(False, f"mail {i + 1} {what}: python {want!r}, tavori {have!r}\n"
                             f"{raw[:1500]!r}")

report()
