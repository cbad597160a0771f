#!/bin/sh
# Exit 0 when this host runs 32-bit (i386) programs, and so 32-bit Wine; 1
# when it does not, with the reason on stdout. Some x86-64 kernels refuse
# i386 programs outright ("Exec format error"), and no Wine mode that runs
# 32-bit code can start there.
# ZELT_HOST_I386=yes|no overrides the probe (to try the skip path anywhere).
case "${ZELT_HOST_I386:-}" in
  yes) exit 0 ;;
  no) echo "ZELT_HOST_I386=no says this host does not run i386 code"; exit 1 ;;
  "") ;;
  *) echo "ZELT_HOST_I386 must be yes, no or unset, not '$ZELT_HOST_I386'"; exit 1 ;;
esac
loader=/lib/ld-linux.so.2
if [ ! -e "$loader" ]; then
  echo "no i386 loader ($loader): the i386 C library is not installed"
  exit 1
fi
if ! timeout 10 "$loader" --version >/dev/null 2>&1; then
  echo "the kernel refuses i386 programs ($loader --version fails: Exec format error)"
  exit 1
fi
exit 0
