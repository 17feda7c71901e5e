#!/usr/bin/env python3
"""Runs tavori users as a user would: registry files that cannot be read, and folder links
that lead back up the tree.
Usage: users_test.py TAVORI"""
import os

from harness import check, report, runner, scratch, write

# A run that does not end in 10 s is a hang (a FIFO waited on, a link loop followed).
run = runner(timeout=10, guard=False)


def user_reg(body):
    return "WINE REGISTRY Version 2\n\n" + body


ACCOUNT = '[Software\\\\RIMArts\\\\Rebecca\\\\Users\\\\0] 1\n"Account"="U"\n\n'

with scratch() as tmp:
    os.mkfifo(os.path.join(tmp, "fifo.reg"))
    write(os.path.join(tmp, "dword.reg"),
          user_reg('[Software\\\\RIMArts\\\\Rebecca\\\\Settings] 1\n"HomeDir"=dword:1\n'))
    write(os.path.join(tmp, "account.reg"),
          user_reg('[Software\\\\RIMArts\\\\Rebecca\\\\Users\\\\4] 1\n"Account"=hex:41\n'))
    write(os.path.join(tmp, "empty.reg"), "")
    # (registry file, words the error must hold, reason)
    broken = [
        ("missing.reg", [], "a missing registry file is an error, not an empty registry"),
        ("fifo.reg", [], "a FIFO is refused without waiting for a writer"),
        ("empty.reg", [], "an empty file is no registry, not one without users"),
        ("dword.reg", ["HomeDir"], "a HomeDir that is no string names the file and the value"),
        ("account.reg", ["Account", "Users\\4"], "an Account that is no string, likewise"),
    ]
    for name, words, reason in broken:
        path = os.path.join(tmp, name)
        code, out, err = run("users", "--registry", path)
        text = err.decode("utf-8", "replace")
        check(code == 1, f"{reason}: exit {code}, stderr {text!r}")
        for word in [path, *words]:
            check(word in text, f"{reason}: {word!r} not in {text!r}")

    # Links to ".", "..", the data folder, two levels up, and a sibling (which is no loop).
    home = os.path.join(tmp, "data")
    a = os.path.join(home, "User0", "A")
    os.makedirs(os.path.join(a, "deep"))
    os.makedirs(os.path.join(home, "User0", "B"))
    write(os.path.join(home, "User0", "B", "Box.mbx"), b"Subject: x\r\n\r\nbody\r\n.\r\n")
    for link, target in [("self", "."), ("up", ".."), ("top", home), ("toB", "../B"),
                         ("deep/back", "../..")]:
        os.symlink(target, os.path.join(a, link))
    registry = os.path.join(tmp, "user.reg")
    write(registry, user_reg(ACCOUNT))
    code, out, err = run("users", "--registry", registry, "--home", home)
    check(code == 0, f"links: exit {code}, stderr {err[:200]!r}")
    tree = [line.split("\t")[0].strip() for line in out.decode().splitlines()[1:]]
    check(tree == ["Becky!", "U (User0)", "A", "deep", "toB", "Box", "B", "Box"],
          f"links: each folder once, the sibling link as a folder: {tree[:20]}")

    # export --home: the Attach folder of the mailbox's user under that data folder, neither
    # of a user-like folder on the data folder's own path nor of a mail folder named User5.
    mail = os.path.join(tmp, "User1", "mail")
    inner = os.path.join(mail, "User0", "User5")
    for folder, subject in [(os.path.join(tmp, "User1"), b"wrong"),
                            (os.path.join(mail, "User0"), b"right"),
                            (inner, b"wrong")]:
        os.makedirs(os.path.join(folder, "Attach"))
        write(os.path.join(folder, "Attach", "a.eml"), b"Subject: " + subject + b"\r\n\r\nbody")
    box = os.path.join(inner, "Box.mbx")
    write(box, b"Subject: one\r\nX-Becky-Attachment-File: a.eml\r\n\r\nx\r\n.\r\n")
    ren = os.path.join(tmp, "Out.REN")
    code, out, err = run("export", "-o", ren, "--home", mail, box)
    check(code == 0, f"export --home: exit {code}, stderr {err!r}")
    text = open(ren, "rb").read() if os.path.exists(ren) else b""
    check(b"#Tright\r\n" in text and b"#Twrong" not in text,
          f"export --home: the attachment of the mailbox's own user: {text[:120]!r}")

report()
