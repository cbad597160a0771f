#!/usr/bin/env bash
# Makes the release ZIP, build/package/dist/zeltdrv-<version>-win.zip: clean
# release builds of the win32 and win64 presets without tests, both installed
# into one tree (i386 files in bin/ and lib/, x64 bridge in x64/, the CMake
# package in lib/cmake/drvbridge/), the programs and DLLs stripped of their
# debug data, signed when a certificate is given, the binary contract
# checked on the files as packed, THIRD-PARTY-NOTICES and SHA256SUMS added,
# then zipped. Beside it in dist/: zeltdrv-<version>-win-symbols.zip (the
# debug data, BIN.debug for each BIN, at the release's paths) and
# zeltdrv-<version>-win.spdx.json (the SPDX 2.3 bill of materials).
#
#   scripts/package.sh [BUILD_DIR]    (default: build/package)
#
# Signing (scripts/sign.sh): ZELT_SIGN_PFX (PKCS#12 file),
# ZELT_SIGN_PASSWORD_FILE (file holding its password), optional
# ZELT_SIGN_TIMESTAMP_URL. Without ZELT_SIGN_PFX the package is unsigned.
#
# BUILD_DIR/win32 and BUILD_DIR/win64 hold the builds, which stay unsigned
# (and so byte-identical from build to build); BUILD_DIR/stripped the
# stripped binaries before signing; BUILD_DIR/stage the tree that is signed
# and zipped, BUILD_DIR/symbols the debug files, BUILD_DIR/dist the ZIPs and
# the bill of materials. Unsigned, all three are reproducible too (file
# times from SOURCE_DATE_EPOCH).
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
symbols=$build/symbols/$name
stripped=$build/stripped
rm -rf "$build/stage" "$build/symbols" "$build/stripped" "$build/dist"
mkdir -p "$stage" "$symbols" "$stripped" "$build/dist"
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

# Each binary's DWARF sections and symbol table go to BIN.debug; BIN keeps
# a .gnu_debuglink with that name and its CRC, so a debugger or addr2line
# finds the file beside it. objcopy stamps a PE with SOURCE_DATE_EPOCH: 0
# keeps the header's time stamp at 0, as the link left it.
for entry in "${shipped[@]}"; do
  read -r packed _ machine built <<<"$entry"
  case $machine in
    i386) objcopy=i686-w64-mingw32-objcopy ;;
    amd64) objcopy=x86_64-w64-mingw32-objcopy ;;
  esac
  mkdir -p "$(dirname "$symbols/$packed")" "$(dirname "$stripped/$packed")"
  SOURCE_DATE_EPOCH=0 "$objcopy" --only-keep-debug "$built" "$symbols/$packed.debug"
  # --add-gnu-debuglink reads the debug file by the name it records.
  from=$(realpath "$built") to=$(realpath -m "$stripped/$packed")
  (cd "$(dirname "$symbols/$packed")" &&
    SOURCE_DATE_EPOCH=0 "$objcopy" --strip-all --add-gnu-debuglink="$(basename "$packed").debug" \
      "$from" "$to")
  cp "$stripped/$packed" "$stage/$packed"
done

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
# its stripped build only by the signature.
for entry in "${shipped[@]}"; do
  read -r packed module machine built <<<"$entry"
  python3 scripts/pecheck.py "$module" "$stage/$packed" --version "$version" --machine "$machine" \
    "${sign_check[@]}" --same-as "$stripped/$packed"
done

# What the binaries link, from this machine's packages; the checksums of
# every other file in the ZIP; the bill of materials of all of them.
python3 scripts/third_party.py notices "$stage/THIRD-PARTY-NOTICES"
(cd "$stage" && find . -type f ! -name SHA256SUMS -printf '%P\n' | LC_ALL=C sort |
  while read -r f; do sha256sum "$f"; done) >"$build/SHA256SUMS"
mv "$build/SHA256SUMS" "$stage/SHA256SUMS"
python3 scripts/third_party.py sbom "$stage" "$name" "$version" "$build/dist/$name.spdx.json"

# Fixed order, times and modes, no extra attributes: the same tree gives the
# same ZIP.
zip_tree() {  # zip_tree PARENT ZIP
  chmod -R u+rwX,go+rX,go-w "$1"
  find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
  (cd "$1" && find "$name" -type f | LC_ALL=C sort | TZ=UTC zip -X -q -@ "$2")
}
dist=$(realpath "$build/dist")
zip=$dist/$name.zip
zip_tree "$build/stage" "$zip"
zip_tree "$build/symbols" "$dist/$name-symbols.zip"

echo "$zip"
unzip -l "$zip"
(cd "$dist" && sha256sum "$name.zip" "$name-symbols.zip" "$name.spdx.json")
