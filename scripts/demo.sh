#!/usr/bin/env bash
# The main job on the bundled demo mail store: builds the Linux tool when needed and lists the
# demo mailboxes with their decoded dates, senders and subjects.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)" --target tavori >/dev/null
tavori=build/native/src/cli/tavori
mapfile -t boxes < <(find samples/data -name '*.mbx' | sort)
"$tavori" show "${boxes[@]}"
