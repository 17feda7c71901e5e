#!/usr/bin/env bash
# Writes the demo store's registry keys into a Wine prefix (default: $WINEPREFIX or ~/.wine),
# with HomeDir pointing at samples/data through Wine's Z: drive, so the Windows programs find
# the demo store as the mail client's data folder.
set -euo pipefail
cd "$(dirname "$0")/.."
home="Z:$(pwd)/samples/data/"
home=${home//\//\\}
key='HKCU\Software\RIMArts\Rebecca'
wine reg add "$key\\Settings" /v HomeDir /t REG_SZ /d "$home" /f >/dev/null
wine reg add "$key\\Users\\0" /v Account /t REG_SZ /d '山田太郎 (仕事)' /f >/dev/null
wine reg add "$key\\Users\\3" /v Account /t REG_SZ /d '山田太郎 (家族)' /f >/dev/null
echo "HomeDir = $home"
