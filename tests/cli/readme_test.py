#!/usr/bin/env python3
"""Checks the read-me that ships in the Windows zip (scripts/package-readme.txt) against the
tool: package.sh turns it into Shift-JIS, so every character must exist in CP932, and every
subcommand that tavori --help lists must have its "tavori-cli.exe VERB" line, so that a
command added later cannot ship undocumented.
Usage: readme_test.py TAVORI"""
import os
import re

from harness import check, report, runner

run = runner(timeout=10, out_encoding="utf-8", guard=False)
here = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(here, "..", "..", "scripts", "package-readme.txt"), encoding="utf-8") as f:
    readme = f.read()

try:
    readme.encode("cp932")
except UnicodeEncodeError as e:
    line = readme.count("\n", 0, e.start) + 1
    check(False, f"line {line}: {readme[e.start:e.end]!r} is not in CP932")

code, out, _ = run("--help")
check(code == 0, f"tavori --help exits {code}")
listing = out.split("\nSubcommands:\n", 1)[-1] if "\nSubcommands:\n" in out else ""
verbs = re.findall(r"^  (\S+)", listing, re.M)
check(verbs, "tavori --help lists no subcommands")
for verb in verbs:
    check(re.search(rf"tavori-cli\.exe {re.escape(verb)}\b", readme),
          f'read-me has no "tavori-cli.exe {verb}" line')
report()
