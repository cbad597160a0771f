#!/usr/bin/env bash
# Installs every Debian package the build and the tests of this host need, and
# the ja_JP.UTF-8 locale. Idempotent: when everything is present it only
# checks and returns. Says each step in one line.
#
# What this host needs depends on one question, asked of the kernel before
# anything is installed (cmake/host-runs-i386.sh): a host that runs i386 code
# also gets the i386 architecture and wine32:i386 for the 32-bit Wine tests;
# one that does not gets nothing of i386.
#
# A package mirror in the middle of a sync makes 'apt-get update' fail for a
# while. It is tried a few times; then set-up goes on with the lists apt
# has, and only if the install fails too does it stop, naming the index that
# failed.
#
# apt-get, dpkg, dpkg-query, locale, locale-gen and sleep are called through
# PATH, so the tests can put stand-ins first. ZELT_SETUP_LOCALE_GEN names the
# locale list (default /etc/locale.gen), ZELT_SETUP_TRIES and
# ZELT_SETUP_PAUSE the update's tries and the pause between them.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake ninja-build make g++ gcc zlib1g-dev googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-i686 gcc-mingw-w64-i686 binutils-mingw-w64-i686 libz-mingw-w64-dev
  g++-mingw-w64-x86-64 gcc-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine64 clang-14 libclang-rt-14-dev clang-format-14 llvm-14 lld-14 valgrind python3
  openprinting-ppds hp-ppd hpijs-ppds libcups2-dev
  osslsigncode openssl zip unzip locales
)
# Only where the kernel runs i386 code: the 32-bit Wine tests.
i386_packages=(wine32:i386)

tries=${ZELT_SETUP_TRIES:-4}
pause=${ZELT_SETUP_PAUSE:-20}
locale_gen=${ZELT_SETUP_LOCALE_GEN:-/etc/locale.gen}

say() { echo "setup: $*"; }
fail() {
  echo "setup: $*" >&2
  exit 1
}

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

. scripts/host-decision.sh
decide_host_i386 setup
if [ "$ZELT_HOST_I386" = yes ]; then
  say "this host runs i386 code: the i386 architecture and ${i386_packages[*]} are needed too"
  packages+=("${i386_packages[@]}")
else
  say "this host does not run i386 code ($ZELT_HOST_I386_WHY): nothing of i386 is installed"
fi

# Wine names files through the C library's locale: under LC_ALL=ja_JP.UTF-8
# (code page 932) it cannot create a file or folder with a non-ASCII name
# unless that locale exists. Listed in the locale list, so a later
# locale-gen keeps it.
has_ja_locale() { locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; }
ensure_ja_locale() {
  if has_ja_locale; then
    say "the ja_JP.UTF-8 locale is present"
    return 0
  fi
  say "generating the ja_JP.UTF-8 locale"
  if grep -q '^# *ja_JP\.UTF-8 UTF-8' "$locale_gen" 2>/dev/null; then
    "${sudo_cmd[@]}" sed -i 's/^# *\(ja_JP\.UTF-8 UTF-8\)/\1/' "$locale_gen"
  elif ! grep -q '^ja_JP\.UTF-8 UTF-8' "$locale_gen" 2>/dev/null; then
    echo 'ja_JP.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a "$locale_gen" >/dev/null
  fi
  "${sudo_cmd[@]}" locale-gen --keep-existing >/dev/null
  has_ja_locale || fail "the ja_JP.UTF-8 locale is still missing after locale-gen"
}

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  say "all ${#packages[@]} packages present"
  ensure_ja_locale
  exit 0
fi
say "missing ${#missing[@]} of ${#packages[@]} packages: ${missing[*]}"

if [ "$ZELT_HOST_I386" = yes ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  say "adding the i386 architecture"
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi

export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# apt-get update exits non-zero when a single index fails (a mirror mid-sync
# serves a file of the wrong size for a while), yet keeps the lists it had.
update_failed=
for ((try = 1; ; try++)); do
  say "updating the package index (try $try of $tries)"
  if "${sudo_cmd[@]}" apt-get update -qq >"$log" 2>&1; then
    update_failed=
    break
  fi
  update_failed=$(grep -E '^(E|W|Err):' "$log" | head -n 5 || true)
  [ -n "$update_failed" ] || update_failed=$(tail -n 5 "$log")
  if [ "$try" -ge "$tries" ]; then
    say "the package index update failed $tries times; going on with the lists apt has:"
    printf '%s\n' "$update_failed" | sed 's/^/setup:   /'
    break
  fi
  say "the package index update failed; trying again in $pause s"
  sleep "$pause"
done

say "installing ${missing[*]}"
if ! "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >"$log" 2>&1; then
  sed 's/^/setup:   apt-get: /' "$log" | tail -n 20 >&2
  if [ -n "$update_failed" ]; then
    echo "setup: installing failed after the package index update had failed $tries times:" >&2
    printf '%s\n' "$update_failed" | sed 's/^/setup:   /' >&2
    fail "a mirror in the middle of a sync is the usual cause: trying again later usually helps (bash scripts/setup.sh)"
  fi
  fail "installing failed (apt-get's words above); the package index was up to date"
fi
ensure_ja_locale
say "done"
