#!/bin/sh
# format-check.sh CLANG_FORMAT SOURCE_DIR BINARY_DIR
# Fails when any C or C++ file of the tree differs from what .clang-format
# makes of it. The files are git's tracked ones; outside a checkout, every
# *.c, *.cpp and *.h below SOURCE_DIR but the build folders.
set -eu
tool=$1 src=$2 bin=$3
if [ -z "$tool" ] || ! command -v "$tool" >/dev/null 2>&1; then
  echo "format check: needs clang-format-14, which is not installed (scripts/setup.sh installs it)"
  exit 1
fi
version=$("$tool" --version 2>&1)
case $version in
  *"clang-format version 14."*) ;;
  *) echo "format check: needs clang-format 14 (clang-format-14); $tool is '$version'"; exit 1 ;;
esac
cd "$src"
list=$(mktemp)
trap 'rm -f "$list"' EXIT
if [ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$(pwd -P)" ]; then
  how="tracked"
  git ls-files -z -- '*.c' '*.cpp' '*.h' >"$list"
else
  how="found"
  case "$bin" in
    "$src"/*) skip="./${bin#"$src"/}" ;;
    *) skip="./build" ;;
  esac
  find . \( -path ./build -o -path "$skip" -o -name .git \) -prune -o -type f \
    \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) -print0 >"$list"
fi
count=$(tr -cd '\0' <"$list" | wc -c)
# An empty list would pass without checking anything.
if [ "$count" -eq 0 ]; then
  echo "format check: no C or C++ files $how under $src"
  exit 1
fi
echo "format check: $count files $how, $("$tool" --version)"
if ! xargs -0 "$tool" --dry-run --Werror <"$list"; then
  echo "format check: the files above differ from .clang-format; run $tool -i on them"
  exit 1
fi
