#!/usr/bin/env bash
# Runs every native test program of a host build under Valgrind's memcheck and
# fails on any error or leak.   scripts/valgrind.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/host}

# The test programs (label native) exactly as ctest would run them; not the
# format check, which runs clang-format, not code of ours.
mapfile -t commands < <(ctest --test-dir "$build" --show-only=json-v1 | python3 -c '
import json, shlex, sys
for t in json.load(sys.stdin)["tests"]:
    labels = [p["value"] for p in t.get("properties", []) if p["name"] == "LABELS"]
    if "command" in t and any("native" in v for v in labels):
        print(shlex.join(t["command"]))
')

failed=0
for cmd in "${commands[@]}"; do
  echo "memcheck: $cmd"
  # Test programs print a lot; keep the log, show it on failure.
  log=$(mktemp)
  if ! eval valgrind --quiet --error-exitcode=99 --leak-check=full \
        --errors-for-leak-kinds=definite,indirect,possible --track-origins=yes \
        --suppressions=scripts/valgrind.supp \
        "$cmd" >"$log" 2>&1; then
    tail -n 60 "$log"
    failed=1
  fi
  rm -f "$log"
done
if [ "$failed" -ne 0 ]; then
  echo "memcheck: errors found"
  exit 1
fi
echo "memcheck: ${#commands[@]} programs, no errors, no leaks"
