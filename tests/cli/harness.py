"""What the command-line tests share: the tool named by the first argument, runs of it that
check the files it reads are left as they were, failures gathered by check, a scratch folder,
and the report that ends the test."""
import contextlib
import hashlib
import os
import subprocess
import sys
import tempfile

tool = sys.argv[1]
failures = []
OUTPUT_OPTIONS = {"-o", "--dup"}


def check(condition, what):
    if not condition:
        failures.append(what)


def input_files(args):
    """Every existing regular file among the arguments (the values of -o and --dup excepted)
    and in the --attach-dir folder: the files a run reads."""
    args = [os.fsdecode(a) for a in args]
    outputs = {args[i + 1] for i, a in enumerate(args[:-1]) if a in OUTPUT_OPTIONS}
    files = []
    for i, a in enumerate(args):
        if i > 0 and args[i - 1] == "--attach-dir" and os.path.isdir(a):
            for folder, _, names in os.walk(a):
                files += [os.path.join(folder, n) for n in names]
        elif a not in outputs and os.path.isfile(a):
            files.append(a)
    return [f for f in dict.fromkeys(files) if f not in outputs and os.path.isfile(f)]


def digests(files):
    result = {}
    for f in files:
        try:
            with open(f, "rb") as stream:
                result[f] = hashlib.sha256(stream.read()).hexdigest()
        except OSError:
            result[f] = None
    return result


@contextlib.contextmanager
def unchanged_inputs(args):
    """The files a run reads must read the same afterwards: hashed before and after it."""
    files = input_files(args)
    before = digests(files)
    yield
    after = digests(files)
    for f in files:
        if before[f] != after[f]:
            failures.append(f"input {f} changed by: tavori {' '.join(map(str, args))}")


def runner(*prefix, timeout=None, out_encoding=None, err_encoding=None, guard=True):
    """A run function: the tool with prefix before the arguments, giving exit status, stdout
    (empty when it goes elsewhere) and stderr, each decoded when given an encoding. A run that
    outlasts its timeout is a hang: status None and "(timed out)" on stderr. With guard, the
    files the run reads are checked unchanged."""
    def run(*args, stdout=subprocess.PIPE, timeout=timeout, env=None, preexec=None):
        with unchanged_inputs(args) if guard else contextlib.nullcontext():
            try:
                p = subprocess.run([tool, *prefix, *args], stdout=stdout, stderr=subprocess.PIPE,
                                   timeout=timeout, env=env, preexec_fn=preexec)
                code, out, err = p.returncode, p.stdout or b"", p.stderr
            except subprocess.TimeoutExpired:
                code, out, err = None, b"", b"(timed out)"
        return (code, out.decode(out_encoding) if out_encoding else out,
                err.decode(err_encoding) if err_encoding else err)
    return run


run = runner()


def scratch():
    """A folder for the test's files, removed with them at the end."""
    return tempfile.TemporaryDirectory()


def write(path, data):
    with open(path, "wb" if isinstance(data, bytes) else "w") as f:
        f.write(data)


def report():
    for f in failures:
        print("FAIL:", f)
    sys.exit(1 if failures else 0)
