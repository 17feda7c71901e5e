#!/usr/bin/env bash
# The main job on the bundled demo mail store (samples/data, users from samples/demo-user.reg):
# builds the Linux tool when needed, lists the users, folders and mailboxes as the window shows
# them, and exports every listed mailbox, with the .EML mails they name, into one REN file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)" --target tavori >/dev/null
tavori=build/native/src/cli/tavori
listing=$("$tavori" users --home samples/data --registry samples/demo-user.reg)
echo "$listing"
mapfile -t boxes < <(printf '%s\n' "$listing" | awk -F'\t' 'NF == 4 { print $4 }')
mkdir -p build/demo
echo
echo "REN file and counts:"
"$tavori" export --refs -o build/demo/Demo.REN "${boxes[@]}"
