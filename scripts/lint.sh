#!/usr/bin/env bash
# The checks the project configured: every C++ file formatted as .clang-format says, and
# clang-tidy (.clang-tidy) over the sources of the native build. Fails on the first finding.
# Usage: scripts/lint.sh [BUILD_DIR]   (a configured native build; default build/native)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/native}

echo "clang-format ..."
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror ||
    { echo "not formatted as .clang-format says: run clang-format -i on the files above" >&2; exit 1; }

# The compile commands of the build, less the options clang does not know: the execution
# character set is CP932 for g++ alone (clang keeps literals in UTF-8, which the checks do not
# mind), and one warning option is g++'s own.
cmake -S . -B "$build" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
tidy=$build/tidy
mkdir -p "$tidy"
python3 - "$build/compile_commands.json" "$tidy/compile_commands.json" <<'PY'
import json, sys
commands = json.load(open(sys.argv[1]))
for c in commands:
    c["command"] = c["command"].replace("-fexec-charset=CP932", "").replace("-Wno-restrict", "")
json.dump(commands, open(sys.argv[2], "w"), indent=1)
PY
mapfile -t sources < <(python3 -c '
import json, os, sys
root = os.getcwd() + "/src/"
print("\n".join(sorted({c["file"] for c in json.load(open(sys.argv[1])) if c["file"].startswith(root)})))
' "$tidy/compile_commands.json")
echo "clang-tidy over ${#sources[@]} files ..."
printf '%s\n' "${sources[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p "$tidy" --quiet 2>/dev/null
echo "lint clean"
