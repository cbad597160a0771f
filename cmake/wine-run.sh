#!/bin/sh
# Runs a Windows program under Wine in the build tree's private prefix.
#   wine-run.sh PREFIX PROGRAM [ARGS...]
# The prefix is made once (under a lock, since ctest runs tests in parallel)
# and a persistent wineserver keeps process start-up cheap.
set -e
prefix=$1
shift

export WINEPREFIX="$prefix"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="

mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/.zelt-ready" ]; then
    wineboot -i </dev/null >/dev/null 2>&1 9>&- || true
    wineserver -w 9>&-
    touch "$prefix/.zelt-ready"
  fi
  # Start the server, and with it Wine's service processes, detached from our
  # output: services started by the program itself would inherit its stdout
  # and stderr and keep ctest waiting on the pipe long after the test ended.
  # A server that stays up for a while after the last client also keeps
  # process start-up cheap. Exit status 0 means this call started it. None of
  # them may inherit the lock (fd 9), or every later call waits for ever.
  if wineserver -p 30 </dev/null >/dev/null 2>&1 9>&-; then
    wineboot </dev/null >/dev/null 2>&1 9>&- || true
  fi
) 9>"$prefix.lock"

exec wine "$@"
