#!/usr/bin/env bash
# Sets up, builds and runs the main job: langpack.exe installing a language
# set under Wine, and the drvbridge example client against a sample printer.
# The 32-bit binaries where this host runs i386 code, else the 64-bit build
# under 64-bit Wine (said in one line).
set -euo pipefail
cd "$(dirname "$0")/.."

. scripts/host-decision.sh
decide_host_i386 demo
bash scripts/setup.sh
if [ "$ZELT_HOST_I386" = yes ]; then
  preset=win32 width=32
else
  preset=win64 width=64
  echo "demo: this host cannot run 32-bit programs ($ZELT_HOST_I386_WHY); showing the main job with the 64-bit build (win64) under 64-bit Wine"
fi
cmake --preset "$preset" >/dev/null
# Only what the demo runs; scripts/test.sh builds everything.
cmake --build --preset "$preset" --target langpack langpack_launch drvbridge bridge_client \
  sample_settings add_sample_printer
export ZELT_BUILD_DIR=build/$preset ZELT_WIDTH=$width
bash scripts/demo-langpack.sh
echo
bash scripts/demo-drvbridge.sh
echo
echo "demo: main job done ($preset)"
