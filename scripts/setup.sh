#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Idempotent:
# when everything is present it only checks and returns.
set -euo pipefail

packages=(
  cmake ninja-build make g++ gcc zlib1g-dev googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-i686 gcc-mingw-w64-i686 binutils-mingw-w64-i686 libz-mingw-w64-dev
  g++-mingw-w64-x86-64 gcc-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 clang-14 libclang-rt-14-dev clang-format-14 llvm-14 lld-14 valgrind python3
  openprinting-ppds hp-ppd hpijs-ppds libcups2-dev
  osslsigncode openssl zip unzip locales
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

# Wine names files through the C library's locale: under LC_ALL=ja_JP.UTF-8
# (code page 932) it cannot create a file or folder with a non-ASCII name
# unless that locale exists. Listed in /etc/locale.gen, so a later locale-gen
# keeps it.
has_ja_locale() { locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; }
ensure_ja_locale() {
  has_ja_locale && return 0
  echo "setup: generating the ja_JP.UTF-8 locale"
  if grep -q '^# *ja_JP\.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    "${sudo_cmd[@]}" sed -i 's/^# *\(ja_JP\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  elif ! grep -q '^ja_JP\.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'ja_JP.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  "${sudo_cmd[@]}" locale-gen --keep-existing >/dev/null
  has_ja_locale || { echo "setup: the ja_JP.UTF-8 locale is still missing after locale-gen" >&2; exit 1; }
}

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  ensure_ja_locale
  exit 0
fi

echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
ensure_ja_locale
echo "setup: done"
