#!/usr/bin/env bash
# drvbridge's main job under Wine: a sample printer whose data file names a
# sample exclusive-settings library, and the example client asking the bridge
# for it. Uses the build in ZELT_BUILD_DIR (default build/win32) of width
# ZELT_WIDTH (32 or 64, default 32) and a private prefix.
set -euo pipefail
cd "$(dirname "$0")/.."

me=demo-drvbridge
build=${ZELT_BUILD_DIR:-build/win32}
width=${ZELT_WIDTH:-32}
bin=$(realpath "$build/bin")
prefix=$(realpath -m "$build/demo-drvbridge-prefix")
out=$(mktemp)
data=$(mktemp --suffix=.ppd)
# The prefix's Wine server (kept alive by its services) ends with the demo.
trap 'rm -f "$out" "$data"; sh cmake/wine-servers.sh stop "$width" "$prefix"' EXIT
. scripts/demo-run.sh

for f in bridge_client.exe add_sample_printer.exe drvbridge.dll sample_settings.dll; do
  [ -f "$bin/$f" ] || { echo "$me: $bin/$f missing; build the preset first" >&2; exit 1; }
done

library_win="Z:$(echo "$bin/sample_settings.dll" | tr / '\\')"
printf '*%% Sample printer description\n*ModelName: "Zelt Sample"\n*ExcDepDLLName: "%s"\n' \
  "$library_win" >"$data"
echo "== data file of the sample printer"
sed 's/^/  /' "$data"

echo "== installing the sample printer"
run "$bin/add_sample_printer.exe" "Z:$(echo "$data" | tr / '\\')"

echo "== example client"
run "$bin/bridge_client.exe" "Zelt Sample Printer"
