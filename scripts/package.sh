#!/usr/bin/env bash
# Makes the release ZIP, build/package/dist/zeltdrv-<version>-win.zip: clean
# release builds of the win32 and win64 presets without tests, both installed
# into one tree (i386 files in bin/ and lib/, x64 bridge in x64/, the CMake
# package in lib/cmake/drvbridge/), signed when a certificate is given, the
# binary contract checked on the files as packed, then zipped.
#
#   scripts/package.sh [BUILD_DIR]    (default: build/package)
#
# Signing (scripts/sign.sh): ZELT_SIGN_PFX (PKCS#12 file),
# ZELT_SIGN_PASSWORD_FILE (file holding its password), optional
# ZELT_SIGN_TIMESTAMP_URL. Without ZELT_SIGN_PFX the package is unsigned.
#
# BUILD_DIR/win32 and BUILD_DIR/win64 hold the builds, which stay unsigned
# (and so byte-identical from build to build); BUILD_DIR/stage the tree that
# is signed and zipped, BUILD_DIR/dist the ZIP. Unsigned, the ZIP itself is
# reproducible too (file times from SOURCE_DATE_EPOCH).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/package}
# File times and the gzip headers come from SOURCE_DATE_EPOCH; by default the
# commit time of HEAD. Without either there is no build.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  if ! SOURCE_DATE_EPOCH=$(git log -1 --format=%ct) || [ -z "$SOURCE_DATE_EPOCH" ]; then
    echo "package: SOURCE_DATE_EPOCH is unset and 'git log' gave no commit time (not a git checkout?);" \
      "set SOURCE_DATE_EPOCH to the release's time in seconds" >&2
    exit 1
  fi
fi
case $SOURCE_DATE_EPOCH in
  *[!0-9]*) echo "package: SOURCE_DATE_EPOCH must be a number of seconds, not '$SOURCE_DATE_EPOCH'" >&2; exit 1 ;;
esac
export SOURCE_DATE_EPOCH
mkdir -p "$build"

for preset in win32 win64; do
  cmake --preset "$preset" -B "$build/$preset" -DBUILD_TESTING=OFF >"$build/$preset.configure.log" 2>&1 ||
    { cat "$build/$preset.configure.log" >&2; exit 1; }
  # What ships, and the 64-bit langpack.exe that the reproducibility check
  # and the signing test use.
  cmake --build "$build/$preset" -j 2 --target langpack drvbridge lppack
done

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/win32/CMakeCache.txt")
name=zeltdrv-$version-win
stage=$build/stage/$name
rm -rf "$build/stage" "$build/dist"
mkdir -p "$stage" "$build/dist"
for preset in win32 win64; do
  cmake --install "$build/$preset" --prefix "$stage" >/dev/null
done

# Packed file -> (module, machine, built file it came from)
shipped=(
  "bin/langpack.exe langpack i386 $build/win32/bin/langpack.exe"
  "tools/lppack.exe lppack i386 $build/win32/bin/lppack.exe"
  "bin/drvbridge.dll drvbridge i386 $build/win32/bin/drvbridge.dll"
  "x64/drvbridge.dll drvbridge amd64 $build/win64/bin/drvbridge.dll"
)

sign_check=()
if [ -n "${ZELT_SIGN_PFX:-}" ]; then
  files=()
  for entry in "${shipped[@]}"; do
    read -r packed _ <<<"$entry"
    files+=("$stage/$packed")
  done
  bash scripts/sign.sh "${files[@]}"
  sign_check=(--signed)
else
  echo "package: no certificate (ZELT_SIGN_PFX unset), so the package is UNSIGNED"
fi

# The contract on the files as they are packed; a signed file may differ from
# its build only by the signature.
for entry in "${shipped[@]}"; do
  read -r packed module machine built <<<"$entry"
  python3 scripts/pecheck.py "$module" "$stage/$packed" --version "$version" --machine "$machine" \
    "${sign_check[@]}" --same-as "$built"
done

# Fixed order, times and modes, no extra attributes: the same tree gives the
# same ZIP.
zip=$(realpath "$build/dist")/$name.zip
chmod -R u+rwX,go+rX,go-w "$build/stage"
find "$build/stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
(cd "$build/stage" && find "$name" -type f | LC_ALL=C sort | TZ=UTC zip -X -q -@ "$zip")

echo "$zip"
unzip -l "$zip"
sha256sum "$zip"
