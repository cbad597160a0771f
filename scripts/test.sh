#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: native unit tests, the
# Windows binaries of both widths under Wine (with the binary contract), the
# sanitizer, Valgrind, fuzz-smoke and real-file jobs, the reproducibility
# check, and the release tests (signing, the CMake package). Green on hosts
# that cannot run 32-bit code too: the 32-bit Wine tests are then reported as
# skipped, and why.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS

. scripts/host-decision.sh
# Decided once, before anything is set up (the probe needs no package);
# set-up and every job below (the presets' configures, the scripts) are
# handed this answer.
decide_host_i386 test.sh

bash scripts/setup.sh

if [ "$ZELT_HOST_I386" = no ]; then
  echo "test.sh: this host cannot run 32-bit programs ($ZELT_HOST_I386_WHY): the win32 preset is"
  echo "test.sh: built and its PE32 checks that need no Wine run, but its Wine tests are reported as skipped."
fi

echo "== host"
cmake --workflow --preset host
echo "== win64: the x86-64 build under 64-bit Wine"
cmake --workflow --preset win64
echo "== win32: the shipped i386 build"
cmake --workflow --preset win32
# What the win32 build's tests ran by, as its configure recorded it.
i386_note=$(cat build/win32/host-i386.txt)
case "$ZELT_HOST_I386:$i386_note" in
  yes:run* | no:SKIPPED*) ;;
  *) echo "test.sh: the win32 build recorded '$i386_note', not ZELT_HOST_I386=$ZELT_HOST_I386" >&2; exit 1 ;;
esac
echo "== hardening"
bash scripts/hardening.sh
echo "== reproducibility"
bash scripts/check-reproducible.sh
echo "== release: signing and the CMake package"
bash scripts/release-tests.sh

echo "test.sh: every job passed in $((SECONDS - start)) s; 32-bit Wine tests: $i386_note"
