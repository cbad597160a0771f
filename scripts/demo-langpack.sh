#!/usr/bin/env bash
# langpack's main job under Wine: langpack.exe /L1 into a demo target
# directory named by the registry value, then a second run that leaves both
# help files alone. Uses the build in ZELT_BUILD_DIR (default build/win32) of
# width ZELT_WIDTH (32 or 64, default 32) and a private prefix.
set -euo pipefail
cd "$(dirname "$0")/.."

me=demo-langpack
build=${ZELT_BUILD_DIR:-build/win32}
width=${ZELT_WIDTH:-32}
bin=$(realpath "$build/bin")
prefix=$(realpath -m "$build/demo-prefix")
out=$(mktemp)
# The prefix's Wine server (kept alive by its services) ends with the demo.
trap 'rm -f "$out"; sh cmake/wine-servers.sh stop "$width" "$prefix"' EXIT
. scripts/demo-run.sh

for f in langpack.exe langpack_launch.exe; do
  [ -f "$bin/$f" ] || { echo "$me: $bin/$f missing; build the preset first" >&2; exit 1; }
done

target_win='C:\zelt-demo'
target="$prefix/drive_c/zelt-demo"
exe_win="Z:$(echo "$bin/langpack.exe" | tr / '\\')"

run reg add 'HKCU\SOFTWARE\KAVEN\ZeltDrv' /v _ZELTDirectory /t REG_SZ /d "$target_win" /f >/dev/null
rm -rf "$target"
mkdir -p "$target"

install() {
  # The launcher passes the command line unchanged and reads the 32-bit exit
  # code (the wine command itself would give the shell only its low 8 bits).
  run "$bin/langpack_launch.exe" "$exe_win" "\"$exe_win\" /L1"
  if [ "$(tr -d '\r' <"$out")" != "exit code 0" ]; then
    echo "$me: langpack.exe /L1 did not exit with 0" >&2
    exit 1
  fi
}

show() {
  (cd "$target" && for f in *; do
    printf '  %-14s %8d bytes  modified %s\n' "$f" "$(stat -c %s "$f")" "$(stat -c %y "$f" | cut -c1-23)"
  done)
}

echo "== langpack.exe /L1 into $target_win (registry value _ZELTDirectory)"
install
show

echo
echo "== second run, after deleting both contents files (.cnt)"
rm -f "$target"/*.cnt
sleep 1
install
show
for f in KWT5D1us.cnt KWT5DSus.cnt; do
  if [ -e "$target/$f" ]; then
    echo "$me: $f was written again" >&2
    exit 1
  fi
done
echo "  both help files left alone (same time stamps), so neither contents file was written;"
echo "  the library KWT5D1us.DLL is rewritten on every run"
