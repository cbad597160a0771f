#!/usr/bin/env bash
# langpack's main job under Wine: langpack.exe /L1 into a demo target
# directory named by the registry value, then a second run that leaves both
# help files alone. Uses the win32 build (build/win32) and a private prefix.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${ZELT_BUILD_DIR:-build/win32}
bin=$(realpath "$build/bin")
prefix=$(realpath -m "$build/demo-prefix")
out=$(mktemp)
trap 'rm -f "$out"' EXIT
# Output goes through a file: Wine's service processes inherit the first
# program's descriptors and outlive it, so a pipe would never see its end.
run() { sh cmake/wine-run.sh "$prefix" "$@" >"$out" 2>&1 </dev/null; tr -d '\r' <"$out"; }

for f in langpack.exe langpack_launch.exe; do
  [ -f "$bin/$f" ] || { echo "demo-langpack: $bin/$f missing; build the win32 preset first" >&2; exit 1; }
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
    echo "demo-langpack: $f was written again" >&2
    exit 1
  fi
done
echo "  both help files left alone (same time stamps), so neither contents file was written;"
echo "  the library KWT5D1us.DLL is rewritten on every run"
