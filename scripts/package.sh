#!/usr/bin/env bash
# Makes the release ZIP: a clean release build of the win32 preset without
# tests, then cpack. Prints the package path and its listing.
#
#   scripts/package.sh [BUILD_DIR]    (default: build/package)
#
# By hand, the same steps:
#   cmake --preset win32 -B build/package -DBUILD_TESTING=OFF
#   cmake --build build/package -j 2
#   cpack --config build/package/CPackConfig.cmake    (ZIP in build/package/dist)
#   cmake --install build/package --prefix DIR        (the same tree, unzipped)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/package}
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}

cmake --preset win32 -B "$build" -DBUILD_TESTING=OFF
cmake --build "$build" -j 2
rm -rf "$build/dist"
cpack --config "$build/CPackConfig.cmake"
for zip in "$build"/dist/*.zip; do
  echo "$zip"
  unzip -l "$zip"
done
