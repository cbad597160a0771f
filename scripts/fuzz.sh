#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a while over its committed
# corpus (new inputs go to a scratch folder, the corpus stays as committed).
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [BUILD_DIR]     default 30 s, build/fuzz
# A long run, keeping what it finds in the corpus of one target:
#   build/fuzz/bin/reader_fuzz -max_total_time=3600 -jobs=2 -workers=2 \
#       drvbridge/fuzz/corpus/reader_fuzz
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
build=${2:-build/fuzz}

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" -j 2 >/dev/null

targets=(langpack:gunzip_fuzz langpack:cmdline_fuzz drvbridge:reader_fuzz drvbridge:quote_rule_fuzz
         langpack/packer:pe_roundtrip_fuzz langpack/packer:res_tree_fuzz
         langpack/packer:version_block_fuzz)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
for pair in "${targets[@]}"; do
  module=${pair%%:*} target=${pair#*:}
  corpus=$module/fuzz/corpus/$target
  mkdir -p "$scratch/$target" "$scratch/$target-crash"
  log=$scratch/$target.log
  # The packer's whole-program target also starts from the built langpack.exe
  # of each width the Windows presets have made (the committed seeds are
  # small programs).
  built=$scratch/$target-built
  mkdir -p "$built"
  if [ "$target" = pe_roundtrip_fuzz ]; then
    for width in win32 win64; do
      if [ -f "build/$width/bin/langpack.exe" ]; then
        cp "build/$width/bin/langpack.exe" "$built/langpack-$width.exe"
      fi
    done
  fi
  if "$build/bin/$target" -max_total_time="$seconds" -print_final_stats=1 \
       -artifact_prefix="$scratch/$target-crash/" "$scratch/$target" "$corpus" "$built" \
       >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1)
    echo "fuzz: $target ${seconds}s, $runs executions, $cov edges, $ft features"
  else
    tail -n 40 "$log"
    mkdir -p "build/fuzz-crashes/$target"
    cp "$scratch/$target-crash/"* "build/fuzz-crashes/$target/" 2>/dev/null || true
    echo "fuzz: $target FAILED; reproducers in build/fuzz-crashes/$target"
    failed=1
  fi
done
exit "$failed"
