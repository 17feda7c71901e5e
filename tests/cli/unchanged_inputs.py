"""The files a run of tavori reads must read the same afterwards: every existing regular file
among its arguments (the values of -o and --dup excepted) and in its --attach-dir, hashed
before and after the run."""
import contextlib
import hashlib
import os

OUTPUT_OPTIONS = {"-o", "--dup"}


def input_files(args):
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
def unchanged_inputs(args, failures):
    files = input_files(args)
    before = digests(files)
    yield
    after = digests(files)
    for f in files:
        if before[f] != after[f]:
            failures.append(f"input {f} changed by: tavori {' '.join(map(str, args))}")
