#!/usr/bin/env python3
"""The tavori tool at the edges of its command line and its output streams: control bytes
from mail data, arguments outside Shift-JIS, unusable output names, failed writes.
Usage: edges_test.py TAVORI DATA_DIR EXPECTED_DIR"""
import os
import sys

from harness import check, report, run, scratch, write

data, expected_dir = sys.argv[2], sys.argv[3]

with scratch() as tmp:
    # Control bytes of mail data: "?" in the terminal's encoding, byte for byte with sjis.
    box = os.path.join(tmp, "ctl.mbx")
    write(box, b"From: a\x07b@example.jp\r\nSubject: x\x1b[2Jy\x7fz\r\n\r\nbody\r\n.\r\n")
    code, out, err = run("show", box)
    check(code == 0, f"show of control bytes exit {code}: {err!r}")
    check(out.endswith(b"\ta?b@example.jp\tx?[2Jy?z\n"), f"controls shown as '?': {out!r}")
    code, out, err = run("--encoding", "sjis", "show", box)
    check(out.endswith(b"\ta\x07b@example.jp\tx\x1b[2Jy\x7fz\n"), f"sjis is byte-exact: {out!r}")
    code, out, err = run("show", os.path.join(tmp, "\x1b[2Jgone.mbx"))
    check(code == 1 and b"?[2Jgone.mbx" in err and b"\x1b" not in err,
          f"control bytes of a path in an error: {err!r}")

    # The Windows build compares its sjis output with the same file.
    with open(os.path.join(expected_dir, "show_sjis.expected"), "rb") as f:
        code, out, err = run("--encoding", "sjis", "show", os.path.join(data, "show.mbx"))
        check(out == f.read(), f"sjis show differs from show_sjis.expected: {out!r}")

    # (arguments, text stderr must hold, reason): usage errors, exit 2.
    folder = os.path.join(tmp, "folder")
    os.mkdir(folder)
    mbx = os.path.join(data, "show.mbx")
    usage = [
        (["show", os.path.join(tmp, "\U0001F600.mbx")], "\U0001F600.mbx".encode(),
         "a character Shift-JIS lacks"),
        (["show", os.fsdecode(os.path.join(tmp.encode(), b"\xff\xfe.mbx"))], b".mbx",
         "bytes that are no UTF-8"),
        (["export", "-o", os.path.join(tmp, "\U0001F600"), mbx], b"\xf0\x9f\x98\x80",
         "an output name Shift-JIS lacks"),
        (["export", "-o", "", mbx], b"--output", "an empty output name"),
        (["export", "-o", folder + "/", mbx], b"--output", "an output name ending in '/'"),
        (["export", "-o", folder, mbx], b"--output", "an existing folder as output name"),
        ([], b"tavori --help", "no verb"),
        (["frobnicate"], b"frobnicate", "an unknown verb"),
    ]
    for args, text, reason in usage:
        code, out, err = run(*args)
        check(code == 2 and text in err, f"{reason}: exit {code}, {err!r}")
    check(not os.path.exists(folder + ".REN"), "no REN file beside a folder named as output")

    # No verb: a short usage line with the verbs, not the whole help.
    for args in ([], ["frobnicate"], ["--encoding", "sjis"]):
        code, out, err = run(*args)
        lines = err.decode().splitlines()
        check(len(lines) <= 3 and all(v in err for v in (b"show", b"export", b"users")),
              f"short usage for {args}: {err!r}")

    # A write to stdout that fails is an error with a message, not a silent success.
    if os.path.exists("/dev/full"):
        for args in (["show", mbx], ["--help"]):
            with open("/dev/full", "wb") as full:
                code, out, err = run(*args, stdout=full)
            check(code == 1 and err.startswith(b"tavori: "), f"{args} to /dev/full: {code} {err!r}")

    # Without --width, the width the window starts with.
    code, out, err = run("export", "-o", os.path.join(tmp, "w"), "--attach-dir", tmp, box)
    ren = os.path.join(tmp, "w.REN")
    head = open(ren, "rb").read(10) if os.path.exists(ren) else b""
    check(code == 0 and head == b"#S\r\n#W40\r\n", f"default width: {head!r} {err!r}")

report()
