#!/bin/sh
# Does this host run 32-bit (i386) programs, and so 32-bit Wine?
#   exit 0  yes
#   exit 1  no: the kernel refuses i386 programs (Exec format error); the
#           reason on stdout. Some x86-64 kernels do, and no Wine mode that
#           runs 32-bit code can start there.
#   exit 2  no answer: a set-up fault (no i386 loader or C library) or a
#           probe that failed otherwise (time-out, fork failure); message on
#           stderr. Never to be read as "no".
# ZELT_HOST_I386=yes|no overrides the probe (to try the skip path anywhere);
# with "no", ZELT_HOST_I386_WHY, when set, is the reason given. Any other
# value is an error.
#   host-runs-i386.sh [LOADER LIBC SECONDS]   (the runner's tests fake these)
case "${ZELT_HOST_I386:-}" in
  yes) exit 0 ;;
  no) echo "${ZELT_HOST_I386_WHY:-ZELT_HOST_I386=no says this host does not run i386 code}"; exit 1 ;;
  "") ;;
  *) echo "host-runs-i386: ZELT_HOST_I386 must be yes or no (or unset), not '$ZELT_HOST_I386'" >&2; exit 2 ;;
esac
loader=${1:-/lib/ld-linux.so.2}
libc=${2:-/lib/i386-linux-gnu/libc.so.6}
limit=${3:-60}
for f in "$loader" "$libc"; do
  if [ ! -e "$f" ]; then
    echo "host-runs-i386: $f is missing: the i386 C library is not installed (scripts/setup.sh installs it with wine32:i386)" >&2
    exit 2
  fi
done
# The loader runs the C library, which prints its version. execv() directly:
# the shell's and execvp()'s exec would hand a refused file to /bin/sh as a
# script and hide the kernel's answer.
out=$(LC_ALL=C timeout "$limit" python3 -c '
import errno, os, sys
try:
    os.execv(sys.argv[1], sys.argv[1:])
except OSError as e:
    print("exec refused:" if e.errno == errno.ENOEXEC else "exec failed:", sys.argv[1] + ":", e.strerror)
    sys.exit(126)
' "$loader" "$libc" 2>&1 </dev/null)
rc=$?
case "$rc:$out" in
  0:*) exit 0 ;;
  "126:exec refused: "*)
    echo "the kernel refuses i386 programs (${out#exec refused: })"
    exit 1 ;;
  124:*) echo "host-runs-i386: the probe ($loader $libc) did not finish in $limit s" >&2 ;;
  *) echo "host-runs-i386: the probe ($loader $libc) failed with exit code $rc: $out" >&2 ;;
esac
exit 2
