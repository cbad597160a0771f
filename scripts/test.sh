#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: native and under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --workflow --preset host
cmake --workflow --preset win32
