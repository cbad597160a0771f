# Sourced by the scripts' own tests (sh or bash). check and expect print one
# line a case and count it; finish prints the tally and fails when a case
# failed. The test sets work, a folder whose file out holds the output shown
# under a failed case; show_failure, when the test defines it, adds more.
passed=0 failed=0

check() { # NAME CONDITION...
  _check_name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok   $_check_name"
  else
    failed=$((failed + 1))
    echo "FAIL $_check_name"
    [ ! -f "$work/out" ] || sed 's/^/     | /' "$work/out"
    if command -v show_failure >/dev/null 2>&1; then show_failure; fi
  fi
}

# expect NAME EXIT TEXT COMMAND...: COMMAND exits with EXIT and its output
# holds TEXT (a grep pattern; empty: anything).
expect() {
  _expect_name=$1 _expect_want=$2 _expect_text=$3
  shift 3
  "$@" >"$work/out" 2>&1
  rc=$?
  check "$_expect_name (exit $rc, want $_expect_want)" [ "$rc" = "$_expect_want" ]
  if [ -n "$_expect_text" ]; then
    check "$_expect_name says '$_expect_text'" grep -q -e "$_expect_text" "$work/out"
  fi
}

finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" = 0 ]
}
