#!/bin/sh
# lppack.exe running out of memory: one member file of 1.2 GB (sparse), read
# under a data limit of 800 MB, must end in exit 1 with a message and leave
# no file behind, not in the C++ runtime's exit 3.
#   out_of_memory_test.sh WINE_RUN WIDTH PREFIX LPPACK LANGPACK WORK_DIR
set -eu
run=$1 width=$2 prefix=$3 lppack=$4 langpack=$5 work=$6
rm -rf "$work"
mkdir -p "$work/files"
i=0
while [ $i -lt 100 ]; do
  printf x >"$work/files/$(printf 'file%04d.%03d' $((i / 5)) $((i % 5 + 1)))"
  i=$((i + 1))
done
truncate -s 1200M "$work/files/file0019.005"

# Once without the limit, so that the Wine server the build's tests share is
# not started under it; that run stops at the usage check.
rc=0
usage=$("$run" "$width" "$prefix" "$lppack" 2>&1) || rc=$?
if [ $rc = 77 ]; then
  echo "$usage" # wine-run.sh says why this width cannot run here
  rm -rf "$work"
  exit 77
fi
if [ $rc != 2 ]; then
  echo "lppack without arguments: exit $rc, not 2: $usage"
  exit 1
fi

rc=0
out=$( (ulimit -d 800000 && exec "$run" "$width" "$prefix" "$lppack" --dir "Z:$work/files" \
  --into "Z:$langpack" --out "Z:$work/new.exe") 2>&1) || rc=$?
echo "$out"
fail=0
if [ $rc != 1 ]; then
  echo "exit $rc, not 1"
  fail=1
fi
case $out in
  *"lppack: out of memory: nothing was written"*) ;;
  *) echo "no out-of-memory message"; fail=1 ;;
esac
left=$(ls "$work" | grep -v '^files$' || true)
if [ -n "$left" ]; then
  echo "left behind: $left"
  fail=1
fi
rm -rf "$work"
exit $fail
