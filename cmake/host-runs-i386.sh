#!/bin/sh
# Does this host run 32-bit (i386) programs, and so 32-bit Wine?
#   exit 0  yes
#   exit 1  no: the kernel refuses i386 programs (Exec format error); the
#           reason on stdout. Some x86-64 kernels do, and no Wine mode that
#           runs 32-bit code can start there.
#   exit 2  no answer: the probe failed otherwise (time-out, no temporary
#           folder, a folder mounted noexec); message on stderr. Never to be
#           read as "no".
# It asks the kernel itself, with a static i386 program of 96 bytes that only
# calls exit(42): no loader, no C library, no package needed, so set-up can
# ask before it installs anything. (Where an emulator is registered for i386
# programs, they run, and the answer is yes.)
# ZELT_HOST_I386=yes|no overrides the probe (to try the skip path anywhere);
# with "no", ZELT_HOST_I386_WHY, when set, is the reason given. Any other
# value is an error.
#   host-runs-i386.sh [PROGRAM [SECONDS]]   (the probe's tests run fakes;
#                                            "yes" is PROGRAM exiting 42)
#   host-runs-i386.sh --write FILE          only writes the probe's program
write_program() {
  # ELF header (32-bit, little-endian, executable, i386, entry 0x8048054),
  # one loadable segment (the whole file, read and execute), then
  # mov eax,1; mov ebx,42; int 0x80.
  printf '\177\105\114\106\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000\270\001\000\000\000\273\052\000\000\000\315\200' >"$1" &&
    chmod +x "$1"
}
if [ "${1:-}" = --write ]; then
  write_program "$2"
  exit
fi
case "${ZELT_HOST_I386:-}" in
  yes) exit 0 ;;
  no) echo "${ZELT_HOST_I386_WHY:-ZELT_HOST_I386=no says this host does not run i386 code}"; exit 1 ;;
  "") ;;
  *) echo "host-runs-i386: ZELT_HOST_I386 must be yes or no (or unset), not '$ZELT_HOST_I386'" >&2; exit 2 ;;
esac
limit=${2:-60}
dir=
trap '[ -z "$dir" ] || rm -rf "$dir"' EXIT
if [ -n "${1:-}" ]; then
  program=$1
else
  if ! dir=$(mktemp -d 2>&1); then
    echo "host-runs-i386: cannot make a temporary folder for the probe: $dir" >&2
    dir=
    exit 2
  fi
  program=$dir/exit42
  if ! write_program "$program"; then
    echo "host-runs-i386: cannot write the probe's program to $program" >&2
    exit 2
  fi
fi
# bash execs the file itself and names the kernel's refusal ("cannot execute
# binary file: Exec format error", 126); sh and execvp() would hand a refused
# file to /bin/sh as a script and hide the kernel's answer.
out=$(LC_ALL=C timeout "$limit" bash -c 'exec "$0"' "$program" 2>&1 </dev/null)
rc=$?
case "$rc:$out" in
  42:*) exit 0 ;;
  126:*"cannot execute binary file: Exec format error"*)
    echo "the kernel refuses i386 programs (Exec format error)"
    exit 1 ;;
  124:*) echo "host-runs-i386: the probe ($program) did not finish in $limit s" >&2 ;;
  *) echo "host-runs-i386: the probe ($program) failed with exit code $rc: $out" >&2 ;;
esac
exit 2
