#!/usr/bin/env bash
# The main job on the bundled demo mail store: builds the Linux tool when needed and exports
# every demo mailbox, with the .EML mails they name, into one REN file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)" --target tavori >/dev/null
tavori=build/native/src/cli/tavori
mapfile -t boxes < <(find samples/data -name '*.mbx' | LC_ALL=C sort)
mkdir -p build/demo
echo "mailboxes:"
"$tavori" show "${boxes[@]}"
echo
echo "REN file and counts:"
"$tavori" export --refs -o build/demo/Demo.REN "${boxes[@]}"
