#!/usr/bin/env python3
"""Runs one command and appends "NAME SECONDS PEAK_KB" to a results file.

The clock runs from just before the command is started to the moment it has ended, read
around the start and the wait alone: no shell and no date processes between, whose starts
would add some ten milliseconds to every run and blur the fast ones, the plain read above all.
The peak memory comes from time(1), a small program whose own start adds about a millisecond:
the command's resource usage read here would count this Python process's size, which a
child keeps through its exec.

Usage: timed.py RESULTS NAME STDOUT STDERR COMMAND...
"""
import os
import subprocess
import tempfile
import sys
import time


def main():
    results, name, out_path, err_path, *command = sys.argv[1:]
    with tempfile.NamedTemporaryFile("r") as peak, open(out_path, "wb") as out, \
            open(err_path, "wb") as err:
        timed = ["/usr/bin/time", "-f", "%M", "-o", peak.name] + command
        t0 = time.perf_counter()
        status = subprocess.call(timed, stdout=out, stderr=err, stdin=subprocess.DEVNULL)
        t1 = time.perf_counter()
        kilobytes = peak.read().split()[-1]
    if status != 0:
        sys.stderr.write(open(err_path, encoding="utf-8", errors="replace").read())
        sys.exit(f"{name}: exit status {status}: {' '.join(command)}")
    with open(results, "a") as f:
        f.write(f"{name} {t1 - t0:.6f} {kilobytes}\n")


if __name__ == "__main__":
    main()
