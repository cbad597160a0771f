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

bash scripts/setup.sh

if why=$(sh cmake/host-runs-i386.sh); then
  i386_note="ran (this host runs i386 code)"
else
  i386_note="SKIPPED: $why"
  echo "test.sh: this host cannot run 32-bit programs ($why): the win32 preset is built and its"
  echo "test.sh: PE32 checks that need no Wine run, but its Wine tests are reported as skipped."
fi

echo "== host"
cmake --workflow --preset host
echo "== win64: the x86-64 build under 64-bit Wine"
cmake --workflow --preset win64
echo "== win32: the shipped i386 build"
cmake --workflow --preset win32
echo "== hardening"
bash scripts/hardening.sh
echo "== reproducibility"
bash scripts/check-reproducible.sh
echo "== release: signing and the CMake package"
bash scripts/release-tests.sh

echo "test.sh: every job passed in $((SECONDS - start)) s; 32-bit Wine tests: $i386_note"
