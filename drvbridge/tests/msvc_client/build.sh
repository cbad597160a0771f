#!/usr/bin/env bash
# Builds msvc_client.exe as a Visual Studio user's project would link it:
# clang in MSVC mode, lld-link, the given drvbridge.lib and a kernel32
# import library made here; no MinGW file, no C runtime. x86 links with
# /safeseh, Visual Studio's x86 default, which every object and import
# library member must allow.
#
#   build.sh x86|x64 PATH/drvbridge.lib OUT_DIR    -> OUT_DIR/msvc_client.exe
set -euo pipefail
if [ $# -ne 3 ]; then
  echo "usage: $0 x86|x64 PATH/drvbridge.lib OUT_DIR" >&2
  exit 2
fi
width=$1 lib=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
case $width in
  x86) target=i686-pc-windows-msvc machine=i386 link_extra=(/machine:x86 /safeseh) ;;
  x64) target=x86_64-pc-windows-msvc machine=i386:x86-64 link_extra=(/machine:x64) ;;
  *) echo "build.sh: width must be x86 or x64, not '$width'" >&2; exit 2 ;;
esac
tool() {
  local name
  for name in "$1-14" "$1"; do
    if command -v "$name" >/dev/null; then
      echo "$name"
      return
    fi
  done
  echo "build.sh: $1 (Debian package $2) is not installed" >&2
  exit 1
}
clang=$(tool clang clang-14)
dlltool=$(tool llvm-dlltool llvm-14)
lldlink=$(tool lld-link lld-14)
[ -f "$lib" ] || { echo "build.sh: no import library $lib" >&2; exit 1; }
mkdir -p "$out"
# Freestanding: no C runtime to lean on, so no calls to memset or stack probes.
"$clang" --target="$target" -c -O2 -ffreestanding -fno-builtin -fno-stack-protector \
  -Wall -Wextra -Werror -o "$out/msvc_client.obj" "$here/msvc_client.c"
# x64 names carry no argument size.
if [ "$width" = x64 ]; then
  sed 's/@[0-9]*$//' "$here/kernel32.def" >"$out/kernel32.def"
else
  cp "$here/kernel32.def" "$out/kernel32.def"
fi
"$dlltool" -m "$machine" -k -d "$out/kernel32.def" -l "$out/kernel32.lib"
"$lldlink" /nologo /subsystem:console /entry:mainCRTStartup /nodefaultlib "${link_extra[@]}" \
  /out:"$out/msvc_client.exe" "$out/msvc_client.obj" "$lib" "$out/kernel32.lib"
