#!/usr/bin/env python3
"""tavori import, cutout and html2text as a user runs them: text mails and HTML pages into a
new mailbox, files that are no mail named and passed over, the cut-out test printing what the
import writes, and refusals that leave every file as it was.
Usage: import_test.py TAVORI"""
import os

from harness import check, report, runner, scratch, write

# stdout stays bytes: what import writes is compared byte for byte.
run = runner("--encoding", "sjis", timeout=20, err_encoding="cp932")


def sjis(text):
    return text.encode("cp932")


PAGE = sjis("<html><head><title>Subject: no</title></head><body>menu<br>Subject: x<br>"
            "From: a@b<br><br>body text [前へ] [次へ]</body></html>")
PAGE_MAIL = b"Subject: x\r\nFrom: a@b\r\n\r\nbody text\r\n.\r\n"
NOT_A_MAIL = "\nメールの形式が間違っています\n"

with scratch() as tmp:
    inputs = {
        "a.txt": b"Subject: a\n\nbody a\n",
        "n.txt": b"no empty line, so no header",
        "b.eml": b"\r\nSubject: b\r\n\r\nbody b\r\n\r\n",
        "p.htm": PAGE,
        "in.mbx": b"Subject: i\r\n\r\ni",
        "u.htm": "<body>x<br>Subject: 日本\U0001F600<br><br>本文 [前]".encode("utf-8"),
        "w.txt": "Subject: 日本\U0001F600\n\n本文\n".encode("utf-16"),
    }
    path = {name: os.path.join(tmp, name) for name in inputs}
    for name, data in inputs.items():
        write(path[name], data)

    def unchanged():
        return all(open(path[n], "rb").read() == d for n, d in inputs.items())

    def mailbox(name):
        return open(os.path.join(tmp, name), "rb").read()

    target = os.path.join(tmp, "Import.mbx")
    code, out, err = run("import", "-o", os.path.join(tmp, "Import.txt"),
                         path["a.txt"], path["n.txt"], path["b.eml"])
    check(code == 0, f"text mails: exit {code} {err}")
    check(mailbox("Import.mbx") == b"Subject: a\r\n\r\nbody a\r\n.\r\nSubject: b\r\n\r\nbody b\r\n.\r\n",
          f"text mails in order, CR LF, trimmed: {mailbox('Import.mbx')!r}")
    check(out == sjis(f"{target}\n取込: 2 件 / 形式が間違っているファイル: 1 件\n"),
          f"the mailbox and the figures: {out!r}")
    check(path["n.txt"] + NOT_A_MAIL in err, f"the file that is no mail is named: {err!r}")

    code, out, err = run("import", "-o", target, "--html", path["p.htm"])
    check(code == 1 and "Import.mbx" in err and "--force" in err,
          f"a mailbox with mails is kept without --force: {code} {err!r}")
    code, out, err = run("import", "--force", "-o", target, "--html", path["p.htm"])
    check(code == 0 and mailbox("Import.mbx") == PAGE_MAIL,
          f"an HTML page, cut with the default strings: {code} {err} {mailbox('Import.mbx')!r}")
    code, out, err = run("cutout", path["p.htm"], path["n.txt"])
    check(code == 0 and out == PAGE_MAIL, f"cutout prints what import writes: {out!r}")
    check(path["n.txt"] + NOT_A_MAIL in err, f"cutout names the file that is no mail: {err!r}")
    code, out, err = run("html2text", path["p.htm"])
    check(out == sjis("menu\r\nSubject: x\r\nFrom: a@b\r\n\r\nbody text [前へ] [次へ]"),
          f"html2text: the page's whole text: {out!r}")

    code, out, err = run("import", "--force", "-o", target, "--html", "--begin", "From:", "--end", "[次",
                         path["p.htm"])
    check(code == 0 and mailbox("Import.mbx") == b"From: a@b\r\n\r\nbody text [\x91\x4f\x82\xd6]\r\n.\r\n",
          f"the strings given, converted to Shift-JIS: {err} {mailbox('Import.mbx')!r}")
    code, out, err = run("import", "--force", "-o", target, "--html", "--begin", "", path["p.htm"])
    check(code == 0 and mailbox("Import.mbx") == b"" and path["p.htm"] + NOT_A_MAIL in err,
          f"an empty begin string finds nothing: {code} {err!r}")

    # Today's files: a UTF-8 page and a UTF-16 text read as Shift-JIS, what Shift-JIS lacks
    # named once per file.
    code, out, err = run("html2text", path["u.htm"])
    check(code == 0 and out == sjis("x\r\nSubject: 日本〓\r\n\r\n本文 [前]"),
          f"html2text of a UTF-8 page: {code} {out!r}")
    code, out, err = run("import", "--force", "-o", target, path["w.txt"], path["a.txt"])
    check(code == 0 and mailbox("Import.mbx") ==
          sjis("Subject: 日本〓\r\n\r\n本文\r\n.\r\nSubject: a\r\n\r\nbody a\r\n.\r\n"),
          f"a UTF-16 text mail: {code} {err} {mailbox('Import.mbx')!r}")
    check(err.count("Shift-JIS にない文字") == 1 and
          path["w.txt"] + " : Shift-JIS にない文字 1 個を 〓 にしました" in err,
          f"the warning, once, for the file it concerns: {err!r}")

    # Refusals: exit 1 and nothing created or changed.
    code, out, err = run("import", "-o", os.path.join(tmp, "in.txt"), path["a.txt"], path["in.mbx"])
    check(code == 1 and "in.mbx" in err and out == b"", f"target is an input: {code} {err!r}")
    write(target, b"older")
    code, out, err = run("import", "-o", target, path["a.txt"], os.path.join(tmp, "gone.txt"))
    check(code == 1 and "gone.txt" in err and mailbox("Import.mbx") == b"older",
          f"a missing file: refused before the mailbox is emptied: {code} {err!r}")
    check(unchanged(), "every input as it was")

    code, out, err = run("import", "-o", target, "--begin", "x", path["a.txt"])
    check(code == 2, f"--begin without --html is a usage error: {code} {err!r}")

report()
