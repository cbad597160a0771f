#!/usr/bin/env bash
# Sets up, builds and runs the main job: langpack.exe installing a language
# set under Wine, and the drvbridge example client against a sample printer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32
for part in scripts/demo-langpack.sh scripts/demo-drvbridge.sh; do
  if [ -f "$part" ]; then
    bash "$part"
  fi
done
