#!/bin/sh
# The format check's own cases: it fails without the tool and with another
# clang-format version, naming the one it needs, and it tells a formatted
# file from one that is not.
#   format-check-test.sh CLANG_FORMAT SOURCE_DIR
tool=$1 src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
check="$src/cmake/format-check.sh"
passed=0 failed=0
# expect NAME EXIT TEXT TOOL: the check over $work/tree with TOOL.
expect() {
  sh "$check" "$4" "$work/tree" "$work/tree/build" >"$work/out" 2>&1
  rc=$?
  if [ "$rc" = "$2" ] && grep -q -e "$3" "$work/out"; then
    passed=$((passed + 1)); echo "ok   $1"
  else
    failed=$((failed + 1)); echo "FAIL $1 (exit $rc, want $2, text '$3')"; sed 's/^/     | /' "$work/out"
  fi
}
mkdir -p "$work/tree"
cp "$src/.clang-format" "$work/tree/"
printf 'int f(int a) {\n    return a;\n}\n' >"$work/tree/ok.cpp"
printf '#!/bin/sh\necho "Debian clang-format version 15.0.6"\n' >"$work/clang-format-15"
chmod +x "$work/clang-format-15"

expect "no tool: fails naming clang-format-14" 1 "needs clang-format-14" ""
expect "a missing tool: fails naming clang-format-14" 1 "needs clang-format-14" "$work/none"
expect "another version: fails naming version 14" 1 "needs clang-format 14 .*version 15" "$work/clang-format-15"
expect "clang-format 14 passes a formatted file" 0 "1 files found" "$tool"
printf 'int   g( int b ){return b;}\n' >"$work/tree/bad.cpp"
expect "clang-format 14 fails a file that is not formatted" 1 "differ from .clang-format" "$tool"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
