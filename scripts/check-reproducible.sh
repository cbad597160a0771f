#!/usr/bin/env bash
# Builds the release twice from the committed HEAD, in two clean clones under
# absolute paths of different lengths (scripts/package.sh, unsigned: the
# win32 and win64 presets), and fails unless langpack.exe and drvbridge.dll
# of each width and the ZIP come out byte for byte the same and none of them
# carries a path of either build folder; then packages the first clone again
# at a later time, whose payload members must carry that time.
#
#   scripts/check-reproducible.sh [WORK_DIR]    (default: a fresh mktemp -d)
#
# SOURCE_DATE_EPOCH is honoured; it defaults to the commit time of HEAD.
# Signing comes after this: the signed files differ by their signature only.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$repo" rev-parse HEAD)
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$repo" log -1 --format=%ct "$commit") ||
    { echo "check-reproducible: git log gave no commit time for $commit; set SOURCE_DATE_EPOCH" >&2; exit 1; }
fi
export SOURCE_DATE_EPOCH
unset ZELT_SIGN_PFX ZELT_SIGN_PASSWORD_FILE ZELT_SIGN_TIMESTAMP_URL

work=${1:-$(mktemp -d /tmp/zelt-repro.XXXXXX)}
mkdir -p "$work"
work=$(cd "$work" && pwd)
trees=("$work/a" "$work/second-tree-with-a-longer-path")
binaries=(win32/bin/langpack.exe win32/bin/drvbridge.dll win64/bin/langpack.exe win64/bin/drvbridge.dll)
start=$SECONDS

for tree in "${trees[@]}"; do
  rm -rf "$tree"
  git clone --quiet --no-hardlinks "$repo" "$tree"
  git -C "$tree" checkout --quiet --detach "$commit"
  # Release builds without tests and the unsigned ZIP.
  if ! bash "$tree/scripts/package.sh" "$tree/build" >"$tree.package.log" 2>&1; then
    tail -n 30 "$tree.package.log"
    echo "package.sh failed in $tree (log: $tree.package.log)"
    exit 1
  fi
done

contents() { case $1 in *.zip) unzip -p "$1" ;; *) cat "$1" ;; esac; }

status=0
zip_name=$(cd "${trees[0]}/build/dist" && ls zeltdrv-*-win.zip)
# The symbols ZIP and the bill of materials beside it, too.
dist=("dist/$zip_name" "dist/${zip_name%.zip}-symbols.zip" "dist/${zip_name%.zip}.spdx.json")
for bin in "${binaries[@]}" "${dist[@]}"; do
  a=${trees[0]}/build/$bin
  b=${trees[1]}/build/$bin
  sha256sum "$a" "$b"
  if ! cmp -s "$a" "$b"; then
    echo "DIFFERS: $bin ($(cmp "$a" "$b" | head -1))"
    status=1
  fi
  for f in "$a" "$b"; do
    # The ZIP's members are compressed: search them unpacked. Through a file,
    # since grep -q ending a pipe early would fail it under pipefail.
    { contents "$f" | strings -a; contents "$f" | strings -a -e l; } >"$work/strings"
    for tree in "${trees[@]}"; do
      if grep -F -q "$tree" "$work/strings"; then
        echo "EMBEDS BUILD PATH: $f holds $tree"
        status=1
      fi
    done
  done
done

# The same build folder packaged again at another time packs again: every
# payload member's gzip MTIME is the new time, not the first run's.
later=$((SOURCE_DATE_EPOCH + 86400))
tree=${trees[0]}
if ! SOURCE_DATE_EPOCH=$later bash "$tree/scripts/package.sh" "$tree/build" >"$tree.package-later.log" 2>&1; then
  tail -n 30 "$tree.package-later.log"
  echo "package.sh at SOURCE_DATE_EPOCH=$later failed in $tree (log: $tree.package-later.log)"
  exit 1
fi
for preset in win32 win64; do
  members=("$tree/build/$preset/langpack/payload/packed/"*.gz)
  stale=0
  for m in "${members[@]}"; do
    [ "$(od -An -tu4 -j4 -N4 "$m" | tr -d ' ')" = "$later" ] || stale=$((stale + 1))
  done
  if [ ${#members[@]} -ne 100 ] || [ $stale -ne 0 ]; then
    echo "STALE: $preset packaged again at $later: ${#members[@]} members, $stale with another MTIME"
    status=1
  else
    echo "packaged again at $later: the 100 $preset members carry the new time"
  fi
done

echo "commit $commit, SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH, $((SECONDS - start)) s"
if [ $status -eq 0 ]; then
  echo "reproducible: ${binaries[*]} ${dist[*]}"
  rm -f "$work/strings"
  [ $# -ge 1 ] || rm -rf "$work"
fi
exit $status
