#!/usr/bin/env bash
# Reads every installed printer description file with the entry reader
# (native, ASan+UBSan), then checks the library-name lookup on each with a
# probe line appended.   scripts/realfiles.sh [PPD_ROOT...]
# Needs openprinting-ppds hp-ppd hpijs-ppds (scripts/setup.sh installs them).
set -euo pipefail
cd "$(dirname "$0")/.."
roots=("$@")
[ ${#roots[@]} -eq 0 ] && roots=(/usr/share/ppd)

out=build/realfiles
mkdir -p "$out"
src=drvbridge/src
c++ -std=c++20 -O1 -g -fsanitize=address,undefined -fno-sanitize-recover=undefined \
  -Wall -Wextra -Werror -I"$src" -o "$out/realfiles" \
  drvbridge/tests/realfiles/realfiles.cpp "$src/entry_reader.cpp" "$src/block_host.cpp" \
  "$src/codepage_host.cpp" "$src/quote_rule.cpp"

plain=$out/files
rm -rf "$plain"
mkdir -p "$plain"
n=0
while IFS= read -r -d '' f; do
  n=$((n + 1))
  # Installed files carry no fixed suffix; gzip ones are told by content.
  if gzip -t "$f" 2>/dev/null; then gzip -dc "$f" >"$plain/$n.ppd"; else cp "$f" "$plain/$n.ppd"; fi
  printf '%s\t%s\n' "$n.ppd" "$f" >>"$plain/index.tsv"
done < <(find -L "${roots[@]}" -type f -print0 | sort -z)
# Most of the packages' files sit inside their driver archives.
python3 drvbridge/tests/realfiles/unpack_archives.py "$plain" >&2
if [ "$n" -eq 0 ]; then
  echo "realfiles: no printer description files under ${roots[*]}" >&2
  exit 1
fi
# One scanner run, so the counts are totals.
find "$plain" -name '*.ppd' | sort -V >"$out/list"
mapfile -t files <"$out/list"
"$out/realfiles" "${files[@]}"
rm -rf "$plain"
