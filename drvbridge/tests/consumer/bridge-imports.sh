#!/usr/bin/env bash
# The names a program or DLL imports from drvbridge.dll, sorted, on one line:
#
#   bridge-imports.sh OBJDUMP FILE [EXPECTED]
#
# With EXPECTED (names separated by blanks, any order) it exits 1 unless the
# imported names are exactly those.
set -euo pipefail
if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: bridge-imports.sh OBJDUMP FILE [EXPECTED]" >&2
  exit 2
fi
dump=$("$1" -p "$2")
names=$(awk '/DLL Name:/ {on = (tolower($3) == "drvbridge.dll")}
             on && NF == 3 && $2 ~ /^[0-9]+$/ {print $3}' <<<"$dump" | LC_ALL=C sort | paste -sd' ')
echo "$names"
if [ $# -eq 3 ]; then
  # shellcheck disable=SC2086 # the list is split on purpose
  expected=$(printf '%s\n' $3 | LC_ALL=C sort | paste -sd' ')
  if [ "$names" != "$expected" ]; then
    echo "bridge-imports: $2 imports from drvbridge.dll: '$names'; expected: '$expected'" >&2
    exit 1
  fi
fi
