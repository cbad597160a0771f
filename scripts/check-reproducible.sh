#!/usr/bin/env bash
# Builds the shipped binaries twice from the committed HEAD, in two clean
# clones under absolute paths of different lengths, and fails unless
# langpack.exe and drvbridge.dll come out byte for byte the same and neither
# carries a path of either build folder.
#
#   scripts/check-reproducible.sh [WORK_DIR]    (default: a fresh mktemp -d)
#
# SOURCE_DATE_EPOCH is honoured; it defaults to the commit time of HEAD.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$repo" rev-parse HEAD)
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$repo" log -1 --format=%ct "$commit")}

work=${1:-$(mktemp -d /tmp/zelt-repro.XXXXXX)}
mkdir -p "$work"
work=$(cd "$work" && pwd)
trees=("$work/a" "$work/second-tree-with-a-longer-path")
binaries=(bin/langpack.exe bin/drvbridge.dll)
start=$SECONDS

for tree in "${trees[@]}"; do
  rm -rf "$tree"
  git clone --quiet --no-hardlinks "$repo" "$tree"
  git -C "$tree" checkout --quiet --detach "$commit"
  # Release configuration without tests: only what ships is compared.
  cmake -S "$tree" --preset win32 -B "$tree/build" -DBUILD_TESTING=OFF > "$tree.configure.log"
  cmake --build "$tree/build" -j 2 --target langpack drvbridge > "$tree.build.log"
done

status=0
for bin in "${binaries[@]}"; do
  a=${trees[0]}/build/$bin
  b=${trees[1]}/build/$bin
  sha256sum "$a" "$b"
  if ! cmp -s "$a" "$b"; then
    echo "DIFFERS: $bin ($(cmp "$a" "$b" | head -1))"
    status=1
  fi
  for tree in "${trees[@]}"; do
    for f in "$a" "$b"; do
      if { strings -a "$f"; strings -a -e l "$f"; } | grep -F -q "$tree"; then
        echo "EMBEDS BUILD PATH: $f holds $tree"
        status=1
      fi
    done
  done
done

echo "commit $commit, SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH, $((SECONDS - start)) s"
if [ $status -eq 0 ]; then
  echo "reproducible: ${binaries[*]}"
  [ $# -ge 1 ] || rm -rf "$work"
fi
exit $status
