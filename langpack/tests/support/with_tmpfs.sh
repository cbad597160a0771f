#!/bin/sh
# Runs a command with a small tmpfs mounted on DIR, so the command meets a
# disk that really fills up.   with_tmpfs.sh DIR SIZE COMMAND [ARGS...]
# Mounting needs root (CI runs as root); elsewhere the test is skipped with
# exit code 77 and says why.
dir=$1 size=$2
shift 2
mkdir -p "$dir"
umount "$dir" 2>/dev/null
if ! error=$(mount -t tmpfs -o "size=$size,mode=0777" tmpfs "$dir" 2>&1); then
  echo "SKIPPED: cannot mount a ${size} tmpfs on $dir: ${error:-not permitted}"
  exit 77
fi
trap 'umount "$dir" 2>/dev/null || umount -l "$dir"' EXIT
# A test timeout must not leave the mount behind: the command runs in the
# background so the signal is seen at once, not when the command ends.
"$@" &
child=$!
trap 'kill "$child" 2>/dev/null; wait "$child"; exit 143' TERM INT
wait "$child"
status=$?
exit "$status"
