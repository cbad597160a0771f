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

if [ ! -f "$prefix/.zelt-ready" ]; then
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -f "$prefix/.zelt-ready" ]; then
      wineboot -i >/dev/null 2>&1 || true
      wineserver -w
      touch "$prefix/.zelt-ready"
    fi
  ) 9>"$prefix.lock"
fi

# A server that stays up for a while after the last client; harmless when one
# is already running.
wineserver -p 30 >/dev/null 2>&1 || true

exec wine "$@"
