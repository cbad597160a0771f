#!/bin/sh
# The Wine servers of given prefixes, found through /proc. A server works in
# its server folder, named server-DEV-INODE after the prefix's device and
# inode (hex), and keeps WINEPREFIX in its environment; either one names the
# prefix (the second also once the prefix is deleted). The services Wine
# starts keep a server alive for ever, so whoever used a prefix stops it.
#   wine-servers.sh list PREFIX...         one line "PID PREFIX" per server
#   wine-servers.sh stop WIDTH PREFIX...   ends them (the width's own server
#                                          -k, as wine-run.sh starts it)
#   wine-servers.sh check PREFIX...        fails, naming them, while any runs
set -u
cmd=${1:-}
shift || true

# servers PREFIX: the PIDs of the servers of PREFIX.
servers() {
  want=$(realpath -m "$1")
  dir=
  if [ -d "$want" ]; then
    dir=server-$(printf '%x-%x' "$(stat -L -c %d "$want")" "$(stat -L -c %i "$want")")
  fi
  for c in $(grep -l '^wineserver' /proc/[0-9]*/comm 2>/dev/null); do
    p=${c%/comm}
    cwd=$(readlink "$p/cwd" 2>/dev/null) || cwd=
    env_prefix=$({ tr '\0' '\n' <"$p/environ"; } 2>/dev/null | sed -n 's/^WINEPREFIX=//p' | head -n 1)
    if { [ -n "$dir" ] && [ "${cwd##*/}" = "$dir" ]; } ||
       { [ -n "$env_prefix" ] && [ "$(realpath -m "$env_prefix")" = "$want" ]; }; then
      echo "${p#/proc/}"
    fi
  done
}

list() {
  for prefix in "$@"; do
    for pid in $(servers "$prefix"); do echo "$pid $prefix"; done
  done
}

case $cmd in
  list) list "$@" ;;
  check)
    left=$(list "$@")
    if [ -n "$left" ]; then
      echo "wine servers still running (PID, prefix):"
      echo "$left"
      exit 1
    fi
    echo "no wine server of $* is running"
    ;;
  stop)
    width=${1:-}
    shift || true
    case $width in
      32) server=wineserver ;;
      64) server=/usr/lib/wine/wineserver64 ;;
      *) echo "wine-servers.sh: width must be 32 or 64, not '$width'" >&2; exit 2 ;;
    esac
    status=0
    for prefix in "$@"; do
      [ -n "$(servers "$prefix")" ] || continue
      # -k asks the server to end; a deleted prefix's server cannot be reached
      # that way and gets a signal at once.
      tries=0
      if [ -d "$prefix" ]; then
        WINEPREFIX=$(realpath "$prefix") "$server" -k >/dev/null 2>&1 || true
      else
        tries=20
      fi
      while pids=$(servers "$prefix") && [ -n "$pids" ]; do
        case $tries in
          20) kill $pids 2>/dev/null ;;
          30) kill -9 $pids 2>/dev/null ;;
          40) echo "wine-servers.sh: the server of $prefix does not end: $pids" >&2; status=1; break ;;
        esac
        tries=$((tries + 1))
        sleep 0.2
      done
    done
    exit $status
    ;;
  *) echo "usage: wine-servers.sh list|check PREFIX... | stop WIDTH PREFIX..." >&2; exit 2 ;;
esac
