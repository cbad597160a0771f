#!/bin/sh
# The Wine runner's own cases: the skip path (forced with ZELT_HOST_I386=no,
# so it is tried on every host), a bad width, and, where this host really
# cannot run i386 code, a failed wineboot that must be reported and must not
# leave a prefix marked ready.
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

check() { # NAME CONDITION...
  name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok   $name"
  else
    failed=$((failed + 1))
    echo "FAIL $name"
  fi
}

# Skip path: exit 77 and the reason, and nothing made.
ZELT_HOST_I386=no sh "$here/wine-run.sh" 32 "$work/p32" prog.exe >"$work/out" 2>&1
rc=$?
check "forced skip exits 77" [ "$rc" = 77 ]
check "forced skip says why" grep -q "SKIPPED: 32-bit Wine cannot run here: ZELT_HOST_I386=no" "$work/out"
check "forced skip makes no prefix" [ ! -e "$work/p32" ]

# The probe itself.
ZELT_HOST_I386=yes sh "$here/host-runs-i386.sh" >/dev/null
check "probe forced yes" [ $? = 0 ]
ZELT_HOST_I386=maybe sh "$here/host-runs-i386.sh" >"$work/out"
check "probe refuses a bad override" [ $? = 1 ]
check "probe says what is wrong" grep -q "must be yes, no or unset" "$work/out"

sh "$here/wine-run.sh" 16 "$work/p16" prog.exe >"$work/out" 2>&1
check "bad width exits 2" [ $? = 2 ]

# A wineboot that fails: 32-bit Wine forced on a host that cannot run it.
if why=$(ZELT_HOST_I386= sh "$here/host-runs-i386.sh"); then
  echo "skip failed-wineboot case: this host runs i386 code, so 32-bit wineboot would succeed"
else
  ZELT_HOST_I386=yes sh "$here/wine-run.sh" 32 "$work/bad" prog.exe >"$work/out" 2>&1
  rc=$?
  check "failed wineboot fails the run" test "$rc" -ne 0 -a "$rc" -ne 77
  check "failed wineboot is reported" grep -q "making the win32 prefix .* failed" "$work/out"
  check "failed wineboot leaves no ready marker" [ ! -e "$work/bad/.zelt-ready" ]
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
