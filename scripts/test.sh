#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: native unit tests, the
# Windows binaries under Wine (with the binary contract), the sanitizer,
# Valgrind, fuzz-smoke and real-file jobs, and the reproducibility check.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --workflow --preset host
cmake --workflow --preset win32
bash scripts/hardening.sh
bash scripts/check-reproducible.sh
echo "test.sh: every job passed"
