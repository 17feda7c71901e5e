#!/usr/bin/env python3
"""tavori export and show in the decoding mode, and --keep-going over Dates that are no date,
as a user runs them; the decoded export of tests/data/decode.mbx must equal
decode_ren.expected, which the Windows tool is held to as well.
Usage: decode_test.py TAVORI"""
import os

from harness import check, report, runner, scratch, write

run = runner(timeout=30, out_encoding="utf-8", err_encoding="utf-8")
BAD = "Thu, 45 Feb 1969 23:32:54 +0900"


def mail(subject, date=None, body="body", extra=""):
    head = f"Subject: {subject}\r\n" + (f"Date: {date}\r\n" if date else "") + extra
    return (head + "\r\n" + body + "\r\n.\r\n").encode()


with scratch() as tmp:
    box = os.path.join(tmp, "box.mbx")
    ren = os.path.join(tmp, "out.REN")
    write(box, mail("one", "Tue, 05 Mar 1999 12:34:56 +0900") + mail("two", BAD) +
          mail("=?utf-8?b?44GC?= =?utf-8?q?=E3=81=84?=", "Thu,\r\n 13 Feb 1969 23:32:54 -0330",
               "44GG\r\n", "Content-Type: text/plain; charset=utf-8\r\n"
               "Content-Transfer-Encoding: base64\r\n") + mail("four", BAD))

    # (arguments, exit status, records, reason)
    for extra, status, records, reason in [
        ([], 1, 1, "a bad Date ends the run as before"),
        (["--keep-going"], 0, 4, "--keep-going writes every mail"),
        (["--decode", "--keep-going"], 0, 4, "with the decoding mode too"),
    ]:
        code, out, err = run("export", *extra, "-o", ren, box)
        check(code == status, f"{reason}: exit {code}: {err}")
        text = open(ren, "rb").read().decode("cp932")
        check(text.count("#S\r\n") == records, f"{reason}: {text.count('#S')} records")
        if "--keep-going" in extra:
            check(err.count(BAD) == 2 and " 2 通目" in err and " 4 通目" in err,
                  f"{reason}: each bad mail named: {err}")
            check("日付なしで書き出したメール: 2 通" in err, f"{reason}: the count: {err}")
            check(text.count("#K不明＠送信日時") == 2, f"{reason}: written undated")
        if "--decode" in extra:
            check("#Tあい\r\n" in text and "\r\nう\r\n#E" in text, f"{reason}: decoded: {text}")
            check("Shift-JIS にない文字: 0 個" in out, f"{reason}: the summary: {out}")
            check("#K1969/02/13 23:32:54＠送信日時" in text, f"{reason}: the folded Date read")

    code, out, err = run("show", "--decode", box)
    check(code == 0 and "\tあい" in out, f"show --decode: {code} {out} {err}")
    code, out, err = run("show", box)
    check(code == 0 and "=?utf-8?b?44GC?=" in out, f"show keeps the words: {out}")

    here = os.path.dirname(os.path.abspath(__file__))
    code, out, err = run("export", "--decode", "-o", ren,
                         os.path.join(here, "..", "data", "decode.mbx"))
    expected = open(os.path.join(here, "decode_ren.expected"), "rb").read()
    check(code == 0 and open(ren, "rb").read() == expected,
          f"the decoded export of decode.mbx differs from decode_ren.expected: {code} {err}")

report()
