#!/usr/bin/env python3
"""Runs the tavori command-line tool as a user would and checks its output and exit status.
Usage: cli_test.py TAVORI DATA_DIR"""
import os
import sys

from harness import check, report, run, scratch, write

data = sys.argv[2]

# (arguments, expected exit status, reason)
statuses = [
    (["--help"], 0, "help is no error"),
    (["--version"], 0, "version is no error"),
    ([], 2, "no verb is bad usage"),
    (["frobnicate"], 2, "unknown verb is bad usage"),
    (["show"], 2, "show without a mailbox is bad usage"),
    (["show", data + "/missing.mbx"], 1, "a missing mailbox is an error"),
]
for args, status, reason in statuses:
    code, out, err = run(*args)
    check(code == status, f"{reason}: exit {code}, expected {status}")

code, out, err = run("--version")
check(out.startswith(b"tavori "), "version names the program")

code, out, err = run("show", data + "/missing.mbx")
check(b"missing.mbx" in err and err.startswith(b"tavori: "), f"error names the file: {err!r}")

code, out, err = run("show", data + "/show.mbx")
rows = [line.split("\t") for line in out.decode("utf-8").splitlines()]
check(code == 0, f"show exit {code}: {err!r}")
check(len(rows) == 3, f"three rows: {rows}")
if len(rows) == 3:
    check(rows[0] == ["show.mbx", "1", "0", "1999/03/05 21:34:56",
                      "山田太郎<yamada@example.jp>", "テスト"], f"decoded row: {rows[0]}")
    check(rows[1][1] == "2" and "Tue, 32 Mar 1999" in rows[1][3] and rows[1][5] == "bad date",
          f"bad date shown in its row, listing goes on: {rows[1]}")
    check(rows[2][3] == "不明", f"no date: {rows[2]}")
    check(int(rows[1][2]) > 0 and int(rows[2][2]) > int(rows[1][2]), "offsets grow")

code, raw, err = run("--encoding", "sjis", "show", data + "/show.mbx")
check("テスト".encode("cp932") in raw, "raw Shift-JIS output")

# export: the record text as written, the counts on stdout, the default Attach folder.
with scratch() as tmp:
    user = os.path.join(tmp, "User3")
    os.makedirs(os.path.join(user, "Attach"))
    os.makedirs(os.path.join(user, "Box"))
    write(os.path.join(user, "Attach", "a.eml"), b"Subject: attached\r\n\r\nbody")
    box = os.path.join(user, "Box", "Box.mbx")
    write(box, b"Subject: one\r\nX-Becky-Attachment-File: a.eml\r\n\r\nx\r\n.\r\nSubject: two\r\n\r\ny\r\n.\r\n")
    out = os.path.join(tmp, "Out.txt")
    code, stdout, err = run("export", "-o", out, "--width", "40", box)
    check(code == 0, f"export exit {code}: {err!r}")
    check(stdout.decode().splitlines() == [os.path.join(tmp, "Out.REN"), "件数: 2 / 添付: 1"],
          f"export prints the file and the counts: {stdout!r}")
    ren = open(os.path.join(tmp, "Out.REN"), "rb").read()
    check(ren.startswith(b"#S\r\n#W40\r\n#Tone\r\n") and ren.count(b"#S\r\n") == 3,
          f"three records: {ren[:60]!r}")
    # --verbose reports how far each file was read: the whole of it.
    code, stdout, err = run("-v", "export", "-o", out, box)
    check(f"進行: ファイル:Box.mbx を変換中... {os.path.getsize(box)} / {os.path.getsize(box)}"
          in err.decode(), f"bytes read against the size: {err!r}")
    code, stdout, err = run("export", "-o", out, "--width", "30", box)
    check(code == 2, "a width below 40 is bad usage")
    code, stdout, err = run("export", "-o", os.path.join(tmp, "none", "x.REN"), box)
    check(code == 1 and b"x.REN" in err, f"uncreatable output is an error: {err!r}")

report()
