#!/usr/bin/env python3
"""tavori export against what must never happen to a user's files: an output that is one of
the inputs, a missing or strange input, a FIFO, a full disk, and the count after Ctrl-C.
Usage: export_test.py TAVORI"""
import os
import resource
import signal
import subprocess
import time

from harness import check, report, runner, scratch, tool, write

run = runner(timeout=20)


def mail(subject, body="body"):
    return f"Subject: {subject}\r\n\r\n{body}\r\n.\r\n".encode()


with scratch() as tmp:
    box = os.path.join(tmp, "box.REN")
    content = mail("one") + mail("two")
    other = os.path.join(tmp, "other.mbx")
    os.symlink(box, os.path.join(tmp, "link.REN"))

    def reset():
        write(box, content)
        write(other, mail("other"))

    reset()
    os.link(box, os.path.join(tmp, "hard.REN"))
    # (output, inputs, reason): each reaches an input, so nothing may be written.
    same = [
        (box, [box], "the output named as the input"),
        (os.path.join(tmp, "box"), [other, box], "the output reaching the input by its new extension"),
        (os.path.join(tmp, "link.REN"), [box], "a symbolic link to the input"),
        (os.path.join(tmp, "hard.REN"), [other, box], "a hard link to the input"),
    ]
    for output, inputs, reason in same:
        reset()
        code, out, err = run("export", "-o", output, *inputs)
        check(code == 1, f"{reason}: exit {code}")
        check(open(box, "rb").read() == content, f"{reason}: the input was changed")
        check(b"box.REN" in err, f"{reason}: the error names the input: {err!r}")

    # Inputs are checked before the output is emptied.
    reset()
    out_ren = os.path.join(tmp, "out.REN")
    write(out_ren, b"yesterday")
    code, out, err = run("export", "-o", out_ren, other, os.path.join(tmp, "typo.mbx"))
    check(code == 1 and b"typo.mbx" in err, f"a missing input is an error naming it: {err!r}")
    check(open(out_ren, "rb").read() == b"yesterday", "a missing input leaves the output as it was")

    # FIFOs are refused at once, as input and as output.
    fifo = os.path.join(tmp, "pipe.mbx")
    os.mkfifo(fifo)
    os.mkfifo(os.path.join(tmp, "pipe.REN"))
    for args, reason in [(["export", "-o", out_ren, fifo], "a FIFO as input"),
                         (["export", "-o", os.path.join(tmp, "pipe.REN"), other], "a FIFO as output"),
                         (["show", fifo], "show on a FIFO")]:
        code, out, err = run(*args, timeout=10)
        check(code == 1 and "通常のファイルではありません".encode() in err,
              f"{reason}: exit {code}, {err!r}")

    # A full disk (the file size limit): exit 1, the REN file named, whole records only.
    big = os.path.join(tmp, "big.mbx")
    with open(big, "wb") as f:
        for i in range(50):
            f.write(mail(f"m{i}", "x" * 300))

    def limit():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (4096, resource.RLIM_INFINITY))

    # A coverage build's tavori writes its counts at exit under the same limit: cut short, they
    # would spoil the build's counts, so they go to the scratch folder.
    code, out, err = run("export", "-o", out_ren, big, preexec=limit,
                         env={**os.environ, "GCOV_PREFIX": os.path.join(tmp, "gcov"),
                              "GCOV_ERROR_FILE": os.devnull})
    ren = open(out_ren, "rb").read()
    check(code == 1, f"full disk: exit {code}")
    check("out.REN\" に書き込めません".encode() in err, f"full disk names the REN file: {err!r}")
    check(ren.endswith(b"#E\r\n\r\n") and 0 < ren.count(b"#S\r\n") < 50,
          f"full disk keeps whole records: {len(ren)} bytes")

    # Ctrl-C: the count printed is the number of records in the file.
    huge = os.path.join(tmp, "huge.mbx")
    write(huge, mail("m", "y" * 200) * 400000)
    p = subprocess.Popen([tool, "export", "-o", out_ren, huge], stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE)
    deadline = time.time() + 20
    while time.time() < deadline and (not os.path.exists(out_ren) or
                                      os.path.getsize(out_ren) < 100000):
        time.sleep(0.01)
    p.send_signal(signal.SIGINT)
    out, err = p.communicate(timeout=60)
    records = open(out_ren, "rb").read().count(b"#S\r\n")
    check(p.returncode == 1, f"Ctrl-C: exit {p.returncode}")
    check(0 < records < 400000, f"Ctrl-C stopped the run: {records} records")
    check(f"件数: {records} / 添付: 0".encode() in out, f"Ctrl-C counts the records written: {out!r}")

report()
