#!/bin/sh
# The release tests' clean-up runs every step when the first one fails: a
# stand-in `sh` fails every Wine-server stop, and an invalid ZELT_HOST_I386
# ends the run right after its work folder is made. Both stops must still be
# tried, and the work folder (the throw-away certificate, its password, the
# clones) must be gone.
#   release-tests-cleanup-test.sh SOURCE_DIR
src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/tmp"
real_sh=$(command -v sh)
# Records each stop and what the temporary folder held at that moment.
cat >"$work/bin/sh" <<EOF
#!$real_sh
if [ "\$1" = cmake/wine-servers.sh ]; then
  echo "stop \$4 with: \$(ls "$work/tmp")" >>"$work/stops"
  exit 1
fi
exec $real_sh "\$@"
EOF
chmod +x "$work/bin/sh"

PATH="$work/bin:$PATH" TMPDIR="$work/tmp" ZELT_HOST_I386=bogus \
  bash "$src/scripts/release-tests.sh" "$work/build" >"$work/out" 2>&1
rc=$?

. "$src/cmake/tests/check.sh"
show_failure() { [ ! -f "$work/stops" ] || sed 's/^/     stops: /' "$work/stops"; }
check "the run fails (exit $rc)" test "$rc" -ne 0
check "the first stop was tried while the work folder existed" \
  grep -q "^stop $work/build/wineprefix32 with: zelt-release-tests\." "$work/stops"
check "the second stop was tried after the first failed" \
  grep -q "^stop $work/build/wineprefix64 with: zelt-release-tests\." "$work/stops"
check "the failed stops are reported" grep -q "could not stop the Wine server" "$work/out"
check "the work folder is removed" test -z "$(ls -A "$work/tmp")"
finish
