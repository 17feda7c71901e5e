#!/usr/bin/env python3
"""tavori dedupe as a user runs it: the figures, a dry run that writes nothing, refused
outputs that would overwrite an input or each other, a mailbox replaced only with --force,
and the case without repeated mails.
Usage: dedupe_test.py TAVORI"""
import os

from harness import check, report, runner, scratch, write

run = runner("--encoding", "sjis", timeout=20, out_encoding="cp932", err_encoding="cp932")


def mail(subject, mid, body):
    return (f"Subject: {subject}\r\nDate: 5 Mar 1999 21:34:56 +0900\r\nMessage-Id: {mid}\r\n"
            f"\r\n{body}\r\n.\r\n").encode()


with scratch() as tmp:
    a = os.path.join(tmp, "a.mbx")
    b = os.path.join(tmp, "b.mbx")
    inputs = {a: mail("A", "<a>", "1") + mail("B", "<b>", "2"), b: mail("A", "<a>", "3")}
    for path, text in inputs.items():
        write(path, text)

    def unchanged():
        return all(open(p, "rb").read() == t for p, t in inputs.items())

    origin = os.path.join(tmp, "Origin")
    dup = os.path.join(tmp, "Dup.txt")

    code, out, err = run("dedupe", "-o", origin, "--dup", dup, "--dry-run", a, b)
    check(code == 0, f"dry run: exit {code} {err}")
    check(not os.path.exists(origin + ".mbx") and not os.path.exists(os.path.join(tmp, "Dup.mbx")),
          "the dry run wrote nothing")
    check("全件数: 3 件\n\n出力件数: 2\n重複件数: 1\n" in out, f"dry-run figures: {out!r}")
    check(f"1999/03/05 21:34:56\tA\n\t残す\t{a}\t1\n\t余分\t{b}\t1\n" in out,
          f"dry run lists the copies: {out!r}")

    code, out, err = run("dedupe", "-o", origin, "--dup", dup, a, b)
    check(code == 0, f"run: exit {code} {err}")
    check(out.startswith("全件数: 3 件\n\n出力件数: 2\n重複件数: 1\n"), f"figures: {out!r}")
    check(origin + ".mbx\n" in out and os.path.join(tmp, "Dup.mbx") in out,
          f"the files written are named: {out!r}")
    check(open(origin + ".mbx", "rb").read() == mail("A", "<a>", "1") + mail("B", "<b>", "2"),
          "the unique mailbox")
    check(open(os.path.join(tmp, "Dup.mbx"), "rb").read() == mail("A", "<a>", "3"),
          "the duplicate mailbox")
    check(unchanged(), "a run leaves its inputs as they were")

    # An output that is an input: refused before anything is read or written.
    code, out, err = run("dedupe", "-o", os.path.join(tmp, "b.txt"), a, b)
    check(code == 1 and "b.mbx" in err, f"refusal: exit {code} {err!r}")
    check(unchanged(), "a refused run leaves its inputs as they were")

    # Outputs that two links make one file: refused, and nothing made where they lead.
    os.symlink("target.mbx", os.path.join(tmp, "u.mbx"))
    os.symlink(os.path.join(tmp, "target.mbx"), os.path.join(tmp, "d.mbx"))
    code, out, err = run("dedupe", "-o", os.path.join(tmp, "u.mbx"), "--dup",
                         os.path.join(tmp, "d.mbx"), a, b)
    check(code == 1 and "同じファイル" in err, f"linked outputs: exit {code} {err!r}")
    check(not os.path.exists(os.path.join(tmp, "target.mbx")), "linked outputs: nothing made")

    # A mailbox with mails in it is replaced only with --force.
    os.remove(origin + ".mbx")
    code, out, err = run("dedupe", "-o", origin, "--dup", dup, a)
    check(code == 1 and "Dup.mbx" in err and "--force" in err, f"no --force: exit {code} {err!r}")

    # No repeated mail: nothing created, and it says so.
    code, out, err = run("dedupe", "--force", "-o", origin, "--dup", dup, a)
    check(code == 0, f"no pairs: exit {code} {err}")
    check("重複はありませんでした" in out, f"no pairs is said: {out!r}")
    check(not os.path.exists(origin + ".mbx"), "no pairs creates no file")
    check(open(os.path.join(tmp, "Dup.mbx"), "rb").read() == mail("A", "<a>", "3"),
          "no pairs leaves an existing output as it was")

report()
