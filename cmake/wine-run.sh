#!/bin/sh
# Runs a Windows program under Wine in a build tree's private prefix.
#   wine-run.sh WIDTH PREFIX PROGRAM [ARGS...]      WIDTH: 32 or 64
# The prefix is made once (under a lock, since ctest runs tests in parallel)
# and a persistent wineserver keeps process start-up cheap. Where the host
# cannot run i386 code, a 32-bit run exits 77 (skipped) and says why. The 64-bit loader
# and server are called directly: the plain wine wrappers try the 32-bit
# programs first, which some hosts cannot run at all. The server stays up
# (its services keep it alive): cmake/wine-servers.sh stops it.
set -e
width=$1
prefix=$2
shift 2

case "$width" in
  32) export WINEARCH=win32; loader=wine; server=wineserver ;;
  64) export WINEARCH=win64; loader=/usr/lib/wine/wine64; server=/usr/lib/wine/wineserver64 ;;
  *) echo "wine-run.sh: width must be 32 or 64, not '$width'" >&2; exit 2 ;;
esac
case "${ZELT_HOST_I386:-}" in
  "" | yes | no) ;;
  *) echo "wine-run.sh: ZELT_HOST_I386 must be yes or no (or unset), not '$ZELT_HOST_I386'" >&2; exit 2 ;;
esac
# Exit 77 is ctest's "skipped" for every Wine test of the build, and only the
# host's refusal of i386 programs gives it. A build's tests and the scripts
# pass their one decision in ZELT_HOST_I386, so the probe does not run again.
if [ "$width" = 32 ]; then
  rc=0
  why=$(sh "$(dirname "$0")/host-runs-i386.sh") || rc=$?
  case $rc in
    0) ;;
    1) echo "SKIPPED: 32-bit Wine cannot run here: $why" >&2; exit 77 ;;
    *) echo "wine-run.sh: no answer whether this host runs i386 code (see above)" >&2; exit 2 ;;
  esac
fi
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="

mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/.zelt-ready" ]; then
    log="$prefix.wineboot.log"
    if ! "$loader" wineboot -i </dev/null >"$log" 2>&1 9>&- ||
       ! "$server" -w 9>&-; then
      # A half-made prefix is never marked ready: the next run starts afresh.
      echo "wine-run.sh: making the win$width prefix $prefix failed; wineboot said:" >&2
      tail -n 20 "$log" >&2
      # Its server and services would outlive the prefix.
      "$server" -k 9>&- 2>/dev/null || true
      rm -rf "$prefix"
      exit 1
    fi
    touch "$prefix/.zelt-ready"
  fi
  # Start the server, and with it Wine's service processes, detached from our
  # output: services started by the program itself would inherit its stdout
  # and stderr and keep ctest waiting on the pipe long after the test ended.
  # A server that stays up for a while after the last client also keeps
  # process start-up cheap. Exit status 0 means this call started it. None of
  # them may inherit the lock (fd 9), or every later call waits for ever.
  if "$server" -p 30 </dev/null >/dev/null 2>&1 9>&-; then
    "$loader" wineboot </dev/null >/dev/null 2>&1 9>&- || true
  fi
) 9>"$prefix.lock"

exec "$loader" "$@"
