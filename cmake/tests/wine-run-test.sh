#!/bin/sh
# The Wine runner's own cases (the probe's are in host-probe-test.sh): the
# skip path and its failures in wine-run.sh and in the build's runner, a bad
# width, the server finder, and, where this host really cannot run i386 code,
# a failed wineboot that must be reported and must not leave a prefix marked
# ready.
#   wine-run-test.sh BUILD_RUNNER WIDTH
here=$(cd "$(dirname "$0")/.." && pwd)
runner=$1 build_width=$2
work=$(mktemp -d)
trap 'sh "$here/wine-servers.sh" stop 64 "$work/srv" "$work/gone" >/dev/null 2>&1; rm -rf "$work"' EXIT
unset ZELT_HOST_I386 ZELT_HOST_I386_WHY
. "$here/tests/check.sh"

probe="$here/host-runs-i386.sh"

# wine-run.sh: the skip path (forced, so tried on every host), a bad
# override, a probe without an answer (a stub beside a copy of the runner).
expect "wine-run: forced skip exits 77" 77 "SKIPPED: 32-bit Wine cannot run here: ZELT_HOST_I386=no" \
  env ZELT_HOST_I386=no sh "$here/wine-run.sh" 32 "$work/p32" prog.exe
check "wine-run: forced skip makes no prefix" [ ! -e "$work/p32" ]
for width in 32 64; do
  expect "wine-run $width: ZELT_HOST_I386=1 fails, no skip" 2 "must be yes or no" \
    env ZELT_HOST_I386=1 sh "$here/wine-run.sh" "$width" "$work/p$width" prog.exe
done
mkdir -p "$work/stub"
cp "$here/wine-run.sh" "$work/stub/"
printf '#!/bin/sh\necho "probe: loader missing" >&2\nexit 2\n' >"$work/stub/host-runs-i386.sh"
expect "wine-run: a probe without an answer fails the run, no skip" 2 "no answer whether this host runs i386" \
  sh "$work/stub/wine-run.sh" 32 "$work/p32" prog.exe
check "wine-run: and shows the probe's message" grep -q "probe: loader missing" "$work/out"
expect "wine-run: bad width exits 2" 2 "width must be 32 or 64" sh "$here/wine-run.sh" 16 "$work/p16" prog.exe

# The build's runner carries the decision made at configure time; a test run
# that says otherwise, or says nonsense, fails.
if [ "$build_width" = 32 ]; then
  decision=$(sed -n 's/^decision=//p' "$runner")
  other=yes
  [ "$decision" = yes ] && other=no
  expect "build runner: ZELT_HOST_I386=$other against the build's '$decision' fails" 2 \
    "decided at configure time" env ZELT_HOST_I386=$other sh "$runner" 32 "$work/p32" prog.exe
  expect "build runner: ZELT_HOST_I386=maybe fails" 2 "" env ZELT_HOST_I386=maybe sh "$runner" 32 "$work/p32" prog.exe
else
  expect "build runner: ZELT_HOST_I386=maybe fails" 2 "must be yes or no" \
    env ZELT_HOST_I386=maybe sh "$runner" 64 "$work/p64" prog.exe
fi

# The server finder: a server of a prefix is found, stopped, and then gone,
# also when its prefix was deleted first.
servers="$here/wine-servers.sh"
mkdir -p "$work/srv" "$work/gone"
for p in srv gone; do WINEPREFIX="$work/$p" /usr/lib/wine/wineserver64 -p 60 2>/dev/null; done
expect "servers: a running server is found" 1 "^[0-9][0-9]* $work/srv$" sh "$servers" check "$work/srv"
rm -rf "$work/gone"
expect "servers: a deleted prefix's server is found" 1 "^[0-9][0-9]* $work/gone$" sh "$servers" check "$work/gone"
expect "servers: stop ends both" 0 "" sh "$servers" stop 64 "$work/srv" "$work/gone"
expect "servers: none left" 0 "no wine server" sh "$servers" check "$work/srv" "$work/gone"

# A wineboot that fails: 32-bit Wine forced on a host that cannot run it.
if sh "$probe" >/dev/null 2>&1; then
  echo "skip failed-wineboot case: this host runs i386 code, so 32-bit wineboot would succeed"
else
  ZELT_HOST_I386=yes sh "$here/wine-run.sh" 32 "$work/bad" prog.exe >"$work/out" 2>&1
  rc=$?
  check "failed wineboot fails the run" test "$rc" -ne 0 -a "$rc" -ne 77
  check "failed wineboot is reported" grep -q "making the win32 prefix .* failed" "$work/out"
  check "failed wineboot leaves no ready marker" [ ! -e "$work/bad/.zelt-ready" ]
  expect "failed wineboot leaves no server" 0 "" sh "$servers" check "$work/bad"
fi

finish
