#!/usr/bin/env bash
# The hardening jobs CI runs, in order: sanitizer build and tests, memcheck of
# the native tests, fuzz smoke run, real printer description files.
#   scripts/hardening.sh [FUZZ_SECONDS_PER_TARGET]     default 30
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}

echo "== host-asan: every native test under ASan, UBSan and LSan"
cmake --workflow --preset host-asan

echo "== memcheck: every native test under Valgrind"
cmake --preset host -B build/host >/dev/null
cmake --build build/host -j 2
scripts/valgrind.sh build/host

echo "== fuzz smoke: ${seconds} s per target"
scripts/fuzz.sh "$seconds" build/fuzz

echo "== real files"
if [ -d /usr/share/ppd ]; then
  scripts/realfiles.sh
else
  echo "real files: SKIPPED, no /usr/share/ppd (scripts/setup.sh installs the packages)"
fi
