#!/usr/bin/env bash
# The release as its users meet it: the ZIP from scripts/package.sh, signed
# with a throw-away certificate made here, and the CMake package in it.
#
#   scripts/release-tests.sh [BUILD_DIR]    (default: build/release-tests)
#
# The committed HEAD is tested: each package is made as the README says, by
# `bash scripts/package.sh` in a fresh clone (one unsigned, one signed), with
# its default folder. BUILD_DIR keeps the logs, the unpacked trees, the
# consumer builds and the Wine prefixes.
#
# - outside a checkout, without SOURCE_DATE_EPOCH, package.sh stops and says
#   why;
# - unsigned: package.sh says so in one line and the binaries carry no
#   signature;
# - signed: every shipped binary verifies against the certificate (and not
#   against another one), a byte changed after signing fails verification,
#   the contract holds and differs from the build only by the signature, a
#   given time-stamp URL is used, a wrong password fails;
# - the signed langpack.exe still installs a set, the signed drvbridge.dll
#   still loads and answers;
# - the released lppack.exe packs other files into the signed langpack.exe,
#   and the result, signed again, verifies and installs them;
# - each shipped binary is its build stripped of its debug data, whose file
#   (BIN.debug in the symbols ZIP, at the release's paths) it names with the
#   right CRC, and an export's address resolves to its function and line;
# - THIRD-PARTY-NOTICES, SHA256SUMS and the SPDX bill of materials match the
#   files and this machine's package versions, and a changed file fails them;
# - a client built with the MSVC ABI links all the exports through
#   lib/drvbridge.lib (x86, /safeseh) and x64/drvbridge.lib and runs;
# - a consumer project finds the package (find_package(drvbridge CONFIG)),
#   builds for i386 and x64 (on i386 through the decorated names of
#   drvbridge_stdcall.def), imports every export by its plain name, calls
#   each and forwards known values through a test double; a version of
#   another major or a width the tree lacks is refused.
# - no Wine server of its prefixes is left at the end.
# Windows programs run under Wine only where their width runs on this host
# (cmake/host-runs-i386.sh); otherwise a SKIP line says why.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath -m "${1:-build/release-tests}")
mkdir -p "$build"
work=$(mktemp -d "${TMPDIR:-/tmp}/zelt-release-tests.XXXXXX")
# The prefixes' Wine servers (kept alive by their services) end with the
# run, and the throw-away certificate, its password and the clones go. Every
# step runs whatever the one before did; a step that fails is reported and
# fails the run.
cleanup() {
  local rc=$? width
  set +e
  for width in 32 64; do
    sh cmake/wine-servers.sh stop "$width" "$build/wineprefix$width" ||
      { echo "release-tests: could not stop the Wine server of $build/wineprefix$width" >&2; rc=1; }
  done
  rm -rf "$work" || { echo "release-tests: could not remove $work" >&2; rc=1; }
  [ ! -e "$work" ] || { echo "release-tests: $work is left" >&2; rc=1; }
  exit "$rc"
}
trap cleanup EXIT

failed=0
passed=0
skipped=0
ok() { echo "ok   $*"; passed=$((passed + 1)); }
bad() { echo "FAIL $*"; failed=$((failed + 1)); }
skip() { echo "SKIP $*"; skipped=$((skipped + 1)); }
# check DESCRIPTION COMMAND...: passes when COMMAND succeeds.
check() { local what=$1; shift; if "$@"; then ok "$what"; else bad "$what"; fi; }
# refuse DESCRIPTION COMMAND...: passes when COMMAND fails.
refuse() { local what=$1; shift; if "$@"; then bad "$what"; else ok "$what"; fi; }

. scripts/host-decision.sh
decide_host_i386 release-tests
i386_runs=$ZELT_HOST_I386 i386_reason=$ZELT_HOST_I386_WHY
# Output goes through a file: Wine's service processes may hold a pipe open.
wine_run() {
  local width=$1 log=$2; shift 2
  sh cmake/wine-run.sh "$width" "$build/wineprefix$width" "$@" >"$log" 2>&1 </dev/null
}
winpath() { echo "Z:$1" | tr / '\\'; }

# ---------------------------------------------------------------- certificate
# A self-signed code-signing certificate that lives only in $work; its
# password is in a file, as package.sh expects.
make_cert() {
  local dir=$1 cn=$2
  mkdir -p "$dir"
  openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=$cn" \
    -addext "basicConstraints=critical,CA:FALSE" \
    -addext "keyUsage=critical,digitalSignature" \
    -addext "extendedKeyUsage=codeSigning" \
    -keyout "$dir/key.pem" -out "$dir/cert.pem" >/dev/null 2>&1
  openssl rand -hex 24 >"$dir/password"
  # One line of text: grep -f with an empty line would match any log.
  [ "$(grep -c . "$dir/password")" = 1 ] || { echo "release-tests: bad password file $dir/password"; exit 1; }
  openssl pkcs12 -export -inkey "$dir/key.pem" -in "$dir/cert.pem" \
    -passout "file:$dir/password" -out "$dir/cert.pfx"
  rm -f "$dir/key.pem"
}
cn="Zelt release test $(openssl rand -hex 4)"
make_cert "$work/cert" "$cn"
make_cert "$work/other" "Zelt unrelated certificate"
unset ZELT_SIGN_PFX ZELT_SIGN_PASSWORD_FILE ZELT_SIGN_TIMESTAMP_URL
signing=(ZELT_SIGN_PFX="$work/cert/cert.pfx" ZELT_SIGN_PASSWORD_FILE="$work/cert/password")

# The password is read from its file, never put on a command line.
leaks_password() { grep -q -F -f "$work/cert/password" "$@"; }
printf 'signing with %s\n' "$(cat "$work/cert/password")" >"$work/leak.log"
check "the password check finds the password in a log that holds it" leaks_password "$work/leak.log"

verify() {  # verify FILE CA_CERT LOG
  osslsigncode verify -CAfile "$2" -in "$1" >"$3" 2>&1
}
verified_by_us() {  # the log of a good verification by our certificate
  grep -q "^Signature verification: ok" "$1" && grep -q "Subject: /CN=$cn" "$1" &&
    grep -q "^Message digest algorithm *: SHA256" "$1"
}

shipped=(bin/langpack.exe bin/drvbridge.dll x64/drvbridge.dll tools/lppack.exe)
built_in=(win32/bin/langpack.exe win32/bin/drvbridge.dll win64/bin/drvbridge.dll win32/bin/lppack.exe)
modules=(langpack drvbridge drvbridge lppack)
machines=(i386 i386 amd64 i386)

unpack() {  # unpack ZIP DIR
  rm -rf "$2"
  mkdir -p "$2"
  unzip -q "$1" -d "$2"
}

# clone DIR: a fresh clone of the committed HEAD.
head=$(git rev-parse HEAD)
clone() {
  rm -rf "$1"
  git clone --quiet --no-hardlinks . "$1" && git -C "$1" checkout --quiet --detach "$head"
}

# ---------------------------------------------------------------- no commit time
echo "== package.sh outside a checkout, without SOURCE_DATE_EPOCH"
mkdir -p "$work/export"
git archive "$head" | tar -x -C "$work/export"
package_outside_checkout() {
  (cd "$work/export" && env -u SOURCE_DATE_EPOCH GIT_CEILING_DIRECTORIES="$work" bash scripts/package.sh) \
    >"$build/package-no-epoch.log" 2>&1
}
refuse "package.sh stops" package_outside_checkout
check "and says that git log gave no commit time" grep -q "'git log' gave no commit time" "$build/package-no-epoch.log"
check "before building anything" test ! -e "$work/export/build/package/win32"

# ---------------------------------------------------------------- unsigned
echo "== package without a certificate: bash scripts/package.sh in a fresh clone"
src=$work/unsigned-clone
clone "$src"
(cd "$src" && bash scripts/package.sh) >"$build/package-unsigned.log" 2>&1 ||
  { tail -n 30 "$build/package-unsigned.log"; echo "FAIL package.sh (unsigned) in a fresh clone"; exit 1; }
pkg=$src/build/package
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$pkg/win32/CMakeCache.txt")
check "the build knows its version ('$version')" test -n "$version"
name=zeltdrv-$version-win
check "package.sh says in one line that the package is unsigned" \
  test "$(grep -c 'UNSIGNED' "$build/package-unsigned.log")" -eq 1
zip=$pkg/dist/$name.zip
check "package.sh made build/package/dist/$name.zip" test -f "$zip"
check "the ZIP unpacks" unpack "$zip" "$build/unsigned"
check "package.sh made build/package/dist/$name-symbols.zip, which unpacks" \
  unpack "$pkg/dist/$name-symbols.zip" "$build/unsigned-symbols"
tree=$build/unsigned/$name
for i in "${!shipped[@]}"; do
  f=$tree/${shipped[$i]}
  check "unsigned ${shipped[$i]} is packed" test -f "$f"
  refuse "unsigned ${shipped[$i]} does not verify" verify "$f" "$work/cert/cert.pem" "$build/verify.log"
  check "unsigned ${shipped[$i]} is the built file without its debug data, which the symbols ZIP holds" \
    python3 "$src/scripts/check_release.py" stripped "$f" "$build/unsigned-symbols/$name/${shipped[$i]}.debug" \
      "$pkg/${built_in[$i]}"
done

# ---------------------------------------------------------------- signed
echo "== package signed with a throw-away certificate ($cn), in another fresh clone"
src=$work/signed-clone
clone "$src"
(cd "$src" && env "${signing[@]}" bash scripts/package.sh) >"$build/package-signed.log" 2>&1 ||
  { tail -n 30 "$build/package-signed.log"; echo "FAIL package.sh (signed) in a fresh clone"; exit 1; }
pkg=$src/build/package
root=$src
built=()
for b in "${built_in[@]}"; do built+=("$pkg/$b"); done
stripped=()
for b in "${shipped[@]}"; do stripped+=("$pkg/stripped/$b"); done
refuse "package.sh, given a certificate, does not call the package unsigned" \
  grep -q UNSIGNED "$build/package-signed.log"
refuse "the password appears nowhere in package.sh's output" leaks_password "$build/package-signed.log"
zip=$pkg/dist/$name.zip
check "package.sh made build/package/dist/$name.zip" test -f "$zip"
check "the ZIP unpacks" unpack "$zip" "$build/signed"
tree=$build/signed/$name

# What the ZIP must hold, and no other program or DLL.
for f in bin/langpack.exe bin/drvbridge.dll lib/libdrvbridge.dll.a lib/drvbridge_stdcall.def \
         include/drvbridge.h x64/drvbridge.dll x64/libdrvbridge.dll.a \
         lib/drvbridge.lib x64/drvbridge.lib THIRD-PARTY-NOTICES SHA256SUMS \
         lib/cmake/drvbridge/drvbridge-config.cmake lib/cmake/drvbridge/drvbridge-config-version.cmake \
         lib/cmake/drvbridge/drvbridge-targets-x86.cmake lib/cmake/drvbridge/drvbridge-targets-x64.cmake \
         tools/lppack.exe docs/drvbridge.md docs/langpack.md CHANGELOG.md LICENSE; do
  check "the ZIP holds $f" test -f "$tree/$f"
done
check "the ZIP's pages name only files it holds or the repository's" \
  python3 "$root/scripts/doclinks.py" "$tree"
for f in README.md docs/integration.md examples/start_langpack.c examples/bridge_client.c; do
  check "the ZIP holds $f" test -f "$tree/$f"
done
for f in docs/performance.md docs/robustness.md docs/release.md; do
  refuse "the ZIP leaves out the maintainers' page $f" test -e "$tree/$f"
done
check "the ZIP holds exactly four programs and DLLs" \
  test "$(cd "$tree" && find . -iname '*.exe' -o -iname '*.dll' | LC_ALL=C sort | tr '\n' ' ')" = \
       "./bin/drvbridge.dll ./bin/langpack.exe ./tools/lppack.exe ./x64/drvbridge.dll "
header_version=$(awk '$1 == "#define" && $2 ~ /^DRVBRIDGE_VERSION_(MAJOR|MINOR|PATCH)$/ {print $3}' \
  "$tree/include/drvbridge.h" | paste -sd.)
check "the packed drvbridge.h says version $version ($header_version)" test "$header_version" = "$version"
check "the packed import definition is drvbridge/drvbridge_stdcall.def" \
  cmp -s "$tree/lib/drvbridge_stdcall.def" "$root/drvbridge/drvbridge_stdcall.def"

for i in "${!shipped[@]}"; do
  f=$tree/${shipped[$i]}
  log=$build/verify-$(echo "${shipped[$i]}" | tr / -).txt
  if verify "$f" "$work/cert/cert.pem" "$log" && verified_by_us "$log"; then
    ok "signed ${shipped[$i]} verifies (SHA-256) against the test certificate"
  else
    bad "signed ${shipped[$i]} verifies against the test certificate"; sed 's/^/    /' "$log"
  fi
  refuse "signed ${shipped[$i]} does not verify against an unrelated certificate" \
    verify "$f" "$work/other/cert.pem" "$build/verify.log"
  check "contract holds on signed ${shipped[$i]}, which differs from its build only by the signature" \
    python3 "$root/scripts/pecheck.py" "${modules[$i]}" "$f" --version "$version" --machine "${machines[$i]}" \
      --signed --same-as "${stripped[$i]}"
  # One byte of the first section's code changed after signing.
  cp "$f" "$work/tampered"
  python3 - "$work/tampered" <<'EOF'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
pe = struct.unpack_from("<I", data, 0x3C)[0]
optsize = struct.unpack_from("<H", data, pe + 20)[0]
rawsize, rawptr = struct.unpack_from("<II", data, pe + 24 + optsize + 16)
data[rawptr + rawsize // 2] ^= 0x01
open(sys.argv[1], "wb").write(data)
EOF
  refuse "${shipped[$i]} with one byte changed after signing fails verification" \
    verify "$work/tampered" "$work/cert/cert.pem" "$build/verify.log"
  check "and the failure is the digest mismatch" grep -q "MISMATCH" "$build/verify.log"
done

# ---------------------------------------------------------------- symbols
echo "== the symbols ZIP"
symbols=$build/signed-symbols/$name
check "package.sh made build/package/dist/$name-symbols.zip, which unpacks" \
  unpack "$pkg/dist/$name-symbols.zip" "$build/signed-symbols"
check "the symbols ZIP holds one debug file per shipped binary, at its path" \
  test "$(cd "$symbols" && find . -type f | LC_ALL=C sort | tr '\n' ' ')" = \
       "./bin/drvbridge.dll.debug ./bin/langpack.exe.debug ./tools/lppack.exe.debug ./x64/drvbridge.dll.debug "
for i in "${!shipped[@]}"; do
  check "signed ${shipped[$i]} is its build without debug data, linked to its debug file by name and CRC" \
    python3 "$root/scripts/check_release.py" stripped "$tree/${shipped[$i]}" "$symbols/${shipped[$i]}.debug" \
      "${built[$i]}"
done
# A crash address as the field reports it: the image base plus the RVA of
# an export. With the debug file beside the binary, addr2line (following
# the .gnu_debuglink) names the function and its line; without, no line.
export_address() {  # export_address DLL NAME
  python3 - "$1" "$2" "$root/scripts" <<'EOF'
import struct, sys
sys.path.insert(0, sys.argv[3])
import pecheck
pe = pecheck.Pe(open(sys.argv[1], "rb").read())
_, base, table, addrs, _ = pe.exports()
opt = pe.checksum_offset - 64
image_base = struct.unpack_from("<Q", pe.data, opt + 24)[0] if pe.magic == 0x20B \
    else struct.unpack_from("<I", pe.data, opt + 28)[0]
print(hex(image_base + addrs[table[sys.argv[2]] - base]))
EOF
}
resolves() {  # resolves TOOLS DLL: GetExclusive's address -> GetExclusive at exports.cpp:LINE
  local where
  where=$("$1-addr2line" -f -C -e "$2" "$(export_address "$2" GetExclusive)" | tr '\n' ' ')
  echo "    $where"
  [[ $where =~ ^GetExclusive.*drvbridge/src/exports\.cpp:[0-9]+\ $ ]]
}
for width in 32 64; do
  case $width in
    32) tools=i686-w64-mingw32 packed=bin/drvbridge.dll ;;
    64) tools=x86_64-w64-mingw32 packed=x64/drvbridge.dll ;;
  esac
  rm -rf "$work/crash" && mkdir -p "$work/crash"
  cp "$tree/$packed" "$work/crash/"
  refuse "without its debug file, an address in $packed resolves to no line" \
    resolves "$tools" "$work/crash/drvbridge.dll"
  cp "$symbols/$packed.debug" "$work/crash/"
  check "with drvbridge.dll.debug beside it, an address in $packed resolves to GetExclusive, exports.cpp and a line" \
    resolves "$tools" "$work/crash/drvbridge.dll"
done

# ---------------------------------------------------------------- notices, checksums, SBOM
echo "== THIRD-PARTY-NOTICES, SHA256SUMS, the SPDX bill of materials"
sbom=$pkg/dist/$name.spdx.json
check "THIRD-PARTY-NOTICES names each linked component with this machine's versions and its licence" \
  python3 "$root/scripts/check_release.py" notices "$tree/THIRD-PARTY-NOTICES"
check "SHA256SUMS covers every other file of the ZIP, each digest right" \
  python3 "$root/scripts/check_release.py" sums "$tree"
check "sha256sum -c accepts SHA256SUMS in the unpacked folder" \
  sh -c 'cd "$1" && sha256sum --quiet -c SHA256SUMS' sh "$tree"
check "package.sh wrote $name.spdx.json beside the ZIP: SPDX 2.3, every file and component" \
  python3 "$root/scripts/check_release.py" sbom "$sbom" "$tree"
# The same checks on copies with a file changed, a file added, a version
# changed: each must fail.
rm -rf "$work/changed" "$work/added"
cp -r "$tree" "$work/changed"
printf 'x' >>"$work/changed/docs/release.md"
refuse "SHA256SUMS no longer matches a tree with a changed file" \
  python3 "$root/scripts/check_release.py" sums "$work/changed"
refuse "nor does the SBOM" python3 "$root/scripts/check_release.py" sbom "$sbom" "$work/changed"
cp -r "$tree" "$work/added"
touch "$work/added/extra.txt"
refuse "SHA256SUMS no longer matches a tree with a file added" \
  python3 "$root/scripts/check_release.py" sums "$work/added"
refuse "nor does the SBOM" python3 "$root/scripts/check_release.py" sbom "$sbom" "$work/added"
zlib_version=$(dpkg-query -W -f='${Version}' libz-mingw-w64-dev)
sed "s/libz-mingw-w64-dev $zlib_version/libz-mingw-w64-dev 0.0/" "$tree/THIRD-PARTY-NOTICES" >"$work/notices"
refuse "notices with another zlib version fail" python3 "$root/scripts/check_release.py" notices "$work/notices"
sed "s/libz-mingw-w64-dev@$zlib_version/libz-mingw-w64-dev@0.0/" "$sbom" >"$work/sbom.json"
refuse "an SBOM with another zlib version fails" python3 "$root/scripts/check_release.py" sbom "$work/sbom.json" "$tree"
rm -rf "$work/changed" "$work/added"

# ---------------------------------------------------------------- MSVC client
# A Visual Studio team's application: built with the MSVC ABI and an
# MSVC-mode linker against the ZIP's drvbridge.lib, run with the signed DLL.
echo "== a client built with the MSVC ABI, through the ZIP's drvbridge.lib"
for width in 32 64; do
  case $width in
    32) arch=x86 dir=lib bin=bin seh=", /safeseh" ;;
    64) arch=x64 dir=x64 bin=x64 seh="" ;;
  esac
  out=$build/msvc$width
  rm -rf "$out"
  if ! bash "$root/drvbridge/tests/msvc_client/build.sh" "$arch" "$tree/$dir/drvbridge.lib" "$out" >"$out.log" 2>&1; then
    bad "the MSVC-ABI client links every function the library offers through $dir/drvbridge.lib ($arch$seh)"
    sed 's/^/    /' "$out.log"
    continue
  fi
  ok "the MSVC-ABI client links every function the library offers through $dir/drvbridge.lib ($arch$seh)"
  if [ "$width" = 32 ] && [ "$i386_runs" = no ]; then
    skip "running the x86 MSVC-ABI client with the signed bin/drvbridge.dll: $i386_reason"
    continue
  fi
  cp "$tree/$bin/drvbridge.dll" "$out/"
  rc=0
  wine_run "$width" "$out/run.log" "$out/msvc_client.exe" || rc=$?
  tr -d '\r' <"$out/run.log" | sed 's/^/    /'
  check "the $arch MSVC-ABI client gets every documented result from the signed $bin/drvbridge.dll (exit $rc)" \
    test "$rc" -eq 0
done

echo "== sign.sh"
cp "$pkg/win64/bin/drvbridge.dll" "$work/ts.dll"
# Nothing listens on the discard port here: signing must try the server.
sign_unreachable_tsa() {
  env "${signing[@]}" ZELT_SIGN_TIMESTAMP_URL=http://127.0.0.1:9/ bash "$root/scripts/sign.sh" "$work/ts.dll" \
    >"$build/sign-ts.log" 2>&1
}
refuse "a time-stamp URL is used: an unreachable one makes signing fail" sign_unreachable_tsa
check "and the failure names the time-stamp server" grep -q "127.0.0.1:9" "$build/sign-ts.log"
check "and leaves the file unsigned" cmp -s "$work/ts.dll" "$pkg/win64/bin/drvbridge.dll"
echo "wrong password" >"$work/wrong-password"
sign_wrong_password() {
  env ZELT_SIGN_PFX="$work/cert/cert.pfx" ZELT_SIGN_PASSWORD_FILE="$work/wrong-password" \
    bash "$root/scripts/sign.sh" "$work/ts.dll" >"$build/sign-wrong.log" 2>&1
}
refuse "a wrong password fails signing" sign_wrong_password
check "and the failure is the signing tool's wrong-password error" \
  grep -q -F "Failed to parse PKCS#12 file: $work/cert/cert.pfx (Wrong password?)" "$build/sign-wrong.log"
refuse "no signing log shows the password" leaks_password "$build/sign-ts.log" "$build/sign-wrong.log"
check "and leaves the file unsigned" cmp -s "$work/ts.dll" "$pkg/win64/bin/drvbridge.dll"

# ---------------------------------------------------------------- langpack
# The signed program installs set 1: exit code 0 and the five files of the
# sample set, byte for byte. langpack.exe ships as i386 only; here, where
# i386 may not run, the 64-bit build signed the same way runs as well.
# holds_set DIR PACKED_DIR: DIR holds exactly the five files of set 1 that the
# build packed, compared as sorted digests (the installed names differ from
# the members'). A missing or extra file is a mismatch, never an abort.
digests() {
  local f
  for f in "$@"; do
    if [ -f "$f" ]; then sha256sum <"$f"; else echo "missing $f"; fi
  done | LC_ALL=C sort
}
holds_set() {
  local installed=() members=() f
  for f in "$1"/*; do if [ -e "$f" ]; then installed+=("$f"); fi; done
  for i in 1 2 3 4 5; do members+=("$2/file0001.00$i.gz"); done
  [ "${#installed[@]}" -eq 5 ] || return 1
  [ "$(digests "${installed[@]}")" = "$(for f in "${members[@]}"; do
    if [ -f "$f" ]; then gzip -dc "$f" | sha256sum; else echo "no member $f"; fi
  done | LC_ALL=C sort)" ]
}

install_set() {  # install_set WIDTH EXE PACKED_DIR LABEL
  local width=$1 exe=$2 packed=$3 label=$4
  local target_win='C:\zelt-release-test'
  local target=$build/wineprefix$width/drive_c/zelt-release-test
  if ! wine_run "$width" "$build/wine.log" reg add 'HKCU\SOFTWARE\KAVEN\ZeltDrv' \
      /v _ZELTDirectory /t REG_SZ /d "$target_win" /f; then
    bad "$label: setting the target directory in the registry"; sed 's/^/    /' "$build/wine.log"; return
  fi
  rm -rf "$target"
  mkdir -p "$target"
  local rc=0
  wine_run "$width" "$build/wine.log" "$exe" /L1 || rc=$?
  check "$label /L1 exits 0 (got $rc)" test "$rc" -eq 0
  check "$label wrote the five files of set 1, byte for byte" holds_set "$target" "$packed"
  # The same comparison, shown to fail (not abort) on a file missing.
  if [ "$width" = 64 ]; then
    rm -rf "$work/short-set"
    cp -r "$target" "$work/short-set"
    rm -f "$work/short-set"/*.cnt
    refuse "the set comparison reports a folder that lacks a file" holds_set "$work/short-set" "$packed"
    rm -f "$work/short-set"/*
    refuse "the set comparison reports an empty folder" holds_set "$work/short-set" "$packed"
  fi
}

echo "== signed langpack.exe under Wine"
if [ "$i386_runs" = yes ]; then
  install_set 32 "$tree/bin/langpack.exe" "$pkg/win32/langpack/payload/packed" "signed i386 langpack.exe"
else
  skip "signed i386 langpack.exe under 32-bit Wine: $i386_reason"
fi
mkdir -p "$build/signed64"
cp "$pkg/win64/bin/langpack.exe" "$build/signed64/langpack.exe"
env "${signing[@]}" bash "$root/scripts/sign.sh" "$build/signed64/langpack.exe" >/dev/null
if verify "$build/signed64/langpack.exe" "$work/cert/cert.pem" "$build/verify.log" &&
   verified_by_us "$build/verify.log"; then
  ok "the x64 build of langpack.exe, signed, verifies"
else
  bad "the x64 build of langpack.exe, signed, verifies"
fi
install_set 64 "$build/signed64/langpack.exe" "$pkg/win64/langpack/payload/packed" "signed x64 langpack.exe"

# ---------------------------------------------------------------- lppack
# A driver team's workflow from the signed ZIP: 100 files of its own packed
# into the signed langpack.exe by tools/lppack.exe, signed with the team's
# certificate (the unrelated one here), verified, and one set installed.
team_workflow() {
  local files=$build/team-files out=$build/team/langpack.exe target=$build/wineprefix32/drive_c/zelt-team
  local s m n rc=0
  rm -rf "$files" "$build/team" "$target"
  mkdir -p "$files" "$build/team" "$target"
  for s in $(seq 0 19); do
    for m in 1 2 3 4 5; do
      n=$(printf 'file%04d.%03d' "$s" "$m")
      { echo "team file $n"; head -c $((300 + 97 * s * m)) /dev/zero | tr '\0' "$m"; } >"$files/$n"
    done
  done
  wine_run 32 "$build/lppack.log" "$tree/tools/lppack.exe" --dir "$(winpath "$files")" \
    --into "$(winpath "$tree/bin/langpack.exe")" --out "$(winpath "$out")" || rc=$?
  check "the released lppack.exe packs a team's files into the signed langpack.exe (exit $rc)" \
    test "$rc" -eq 0
  check "and says that the result must be signed again" grep -q "again before shipping it" "$build/lppack.log"
  refuse "the packed program carries no signature" verify "$out" "$work/cert/cert.pem" "$build/verify.log"
  env ZELT_SIGN_PFX="$work/other/cert.pfx" ZELT_SIGN_PASSWORD_FILE="$work/other/password" \
    bash "$root/scripts/sign.sh" "$out" >/dev/null
  check "signed with the team's certificate, it verifies against that certificate" \
    verify "$out" "$work/other/cert.pem" "$build/verify.log"
  check "contract holds on the team's signed program" \
    python3 "$root/scripts/pecheck.py" langpack "$out" --version "$version" --signed
  wine_run 32 "$build/wine.log" reg add 'HKCU\SOFTWARE\KAVEN\ZeltDrv' /v _ZELTDirectory /t REG_SZ \
    /d 'C:\zelt-team' /f || bad "setting the target directory in the registry"
  rc=0
  wine_run 32 "$build/wine.log" "$out" /L7 || rc=$?
  check "the team's signed program installs set 7 (exit $rc)" test "$rc" -eq 0
  local names=(KWT5D1it.DLL KWT5D1it.HLP KWT5D1it.cnt KWT5DSit.HLP KWT5DSit.cnt)
  for m in 1 2 3 4 5; do
    check "${names[$((m - 1))]} is the team's file0007.00$m, byte for byte" \
      cmp -s "$target/${names[$((m - 1))]}" "$files/file0007.00$m"
  done
}
echo "== a driver team's files packed with the released lppack.exe"
if [ "$i386_runs" = yes ]; then
  team_workflow
else
  skip "the released lppack.exe under 32-bit Wine: $i386_reason"
fi

# ---------------------------------------------------------------- consumer
# The package as a CMake user meets it. The project's toolchain files keep
# package searches inside /usr/<triplet>, so the tree is named by
# drvbridge_DIR.
echo "== consumer project against the signed tree"
config_dir=$tree/lib/cmake/drvbridge
# Every export but DllMain, which the import libraries leave out.
exports=$(awk '$1 != "LIBRARY" && $1 != "EXPORTS" && $1 != "DllMain" && NF {print $1}' \
  "$root/drvbridge/drvbridge.def" | LC_ALL=C sort | paste -sd' ')
for width in 32 64; do
  case $width in
    32) tools=i686-w64-mingw32; packed=bin/drvbridge.dll ;;
    64) tools=x86_64-w64-mingw32; packed=x64/drvbridge.dll ;;
  esac
  out=$build/consumer$width
  rm -rf "$out"
  if ! { cmake -S "$root/drvbridge/tests/consumer" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release \
           --toolchain "$root/cmake/toolchain-mingw$width.cmake" -Ddrvbridge_DIR="$config_dir" \
           -DCONSUMER_WANT_VERSION="${version%%.*}.0" &&
         cmake --build "$out"; } >"$out.log" 2>&1; then
    bad "consumer ($width-bit) configures and builds with find_package(drvbridge CONFIG REQUIRED)"
    tail -n 20 "$out.log" | sed 's/^/    /'
    continue
  fi
  ok "consumer ($width-bit) configures and builds with find_package(drvbridge CONFIG REQUIRED)"
  check "consumer ($width-bit) got the package's $packed as drvbridge::drvbridge's DLL" \
    cmp -s "$out/drvbridge.dll" "$tree/$packed"
  imports=$(bash "$root/drvbridge/tests/consumer/bridge-imports.sh" "$tools-objdump" "$out/consumer.exe")
  check "consumer ($width-bit) imports every export of drvbridge.def but DllMain by its plain name ($imports)" \
    test "$imports" = "$exports"
  check "a team DLL without its own DllMain ($width-bit) imports only what it calls, no DllMain" \
    bash "$root/drvbridge/tests/consumer/bridge-imports.sh" "$tools-objdump" "$out/team_library.dll" \
      "FreeExclusive GetDependDllName GetExclusive GetPrinterOption"
  if [ "$width" = 32 ] && [ "$i386_runs" = no ]; then
    skip "running the 32-bit consumer with the signed i386 drvbridge.dll: $i386_reason"
    continue
  fi
  rc=0
  wine_run "$width" "$out/run.log" "$out/consumer.exe" || rc=$?
  tr -d '\r' <"$out/run.log" | sed 's/^/    /'
  check "consumer ($width-bit) runs with the signed drvbridge.dll, every result right (exit $rc)" \
    test "$rc" -eq 0
  check "consumer ($width-bit) loaded drvbridge.dll from its own folder" \
    grep -q -F "loaded from $(winpath "$out/drvbridge.dll")" "$out/run.log"
done

echo "== the package refuses what it cannot serve"
configure_consumer() {  # configure_consumer NAME WIDTH CONFIG_DIR [CMAKE ARGS...]
  local name=$1 width=$2 dir=$3; shift 3
  rm -rf "$build/$name"
  cmake -S "$root/drvbridge/tests/consumer" -B "$build/$name" -G Ninja "$@" \
    --toolchain "$root/cmake/toolchain-mingw$width.cmake" -Ddrvbridge_DIR="$dir" \
    >"$build/$name.log" 2>&1
}
major=${version%%.*}
refuse "find_package(drvbridge $((major + 1)).0) is refused by a $major.x package (SameMajorVersion)" \
  configure_consumer consumer-v2 64 "$config_dir" -DCONSUMER_WANT_VERSION=$((major + 1)).0
check "and names the version it found ($version)" grep -q -F "$version" "$build/consumer-v2.log"
check "find_package(drvbridge $major.0) with the same major version is accepted" \
  configure_consumer consumer-v1 64 "$config_dir" -DCONSUMER_WANT_VERSION=$major.0
rm -rf "$build/x64-only"
cmake --install "$pkg/win64" --prefix "$build/x64-only" >/dev/null
refuse "a tree with only the x64 build refuses an i386 consumer" \
  configure_consumer consumer-x64-only 32 "$build/x64-only/lib/cmake/drvbridge"
check "and says it holds no x86 build" grep -q "holds no x86 build" "$build/consumer-x64-only.log"
check "the same tree serves an x64 consumer" \
  configure_consumer consumer-x64-only 64 "$build/x64-only/lib/cmake/drvbridge"
rm -rf "$build/consumer-v1" "$build/consumer-v2" "$build/consumer-x64-only" "$build/x64-only"

echo "== Wine servers"
sh cmake/wine-servers.sh stop 32 "$build/wineprefix32"
sh cmake/wine-servers.sh stop 64 "$build/wineprefix64"
check "no Wine server of the release tests' prefixes is left" \
  sh cmake/wine-servers.sh check "$build/wineprefix32" "$build/wineprefix64"

echo "release-tests: $passed passed, $failed failed, $skipped skipped"
echo "verification of x64/drvbridge.dll: $build/verify-x64-drvbridge.dll.txt"
[ "$failed" -eq 0 ]
