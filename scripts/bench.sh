#!/usr/bin/env bash
# Builds the benchmarks, runs them natively and under Wine, and prints one
# table of medians and ratios. Figures come from this one run; the machine is
# shared, so compare ratios, not absolute numbers between runs.
#   scripts/bench.sh            (build folders: build/bench, build/bench-win32)
#   BENCH_NATIVE=... BENCH_WIN32=... scripts/bench.sh   (other folders)
# The Wine rows use the 32-bit build where this host runs i386 code, else the
# 64-bit one (build/bench-win64 or BENCH_WIN64), and the table says which.
#   BENCH_REPETITIONS, BENCH_LOOKUPS, BENCH_LAUNCHES, BENCH_PACKS   (repetitions of each part)
set -euo pipefail
cd "$(dirname "$0")/.."
native=${BENCH_NATIVE:-build/bench}
. scripts/host-decision.sh
decide_host_i386 bench
if [ "$ZELT_HOST_I386" = yes ]; then
  preset=win32 width=32 win=${BENCH_WIN32:-build/bench-win32}
else
  preset=win64 width=64 win=${BENCH_WIN64:-build/bench-win64}
  echo "bench: this host cannot run 32-bit programs ($ZELT_HOST_I386_WHY); the Wine rows use the 64-bit build"
fi
prefix="$(realpath -m "$win")/wineprefix"
# The prefix's Wine server (kept alive by its services) ends with the run.
trap 'sh cmake/wine-servers.sh stop "$width" "$prefix"' EXIT
reps=${BENCH_REPETITIONS:-5}

cmake --preset bench -B "$native" >/dev/null
cmake --build "$native" -j 2 --target langpack_bench drvbridge_bench reader_oracle_tests >/dev/null
cmake --preset "$preset" -B "$win" -DZELT_BENCH=ON >/dev/null
cmake --build "$win" -j 2 --target reader_scan lookup_bench launch_bench trace_bench pack_bench >/dev/null

ppds="$native/ppds"
if [ ! -d "$ppds" ] || [ "$(ls "$ppds" | wc -l)" -lt 20 ]; then
  python3 drvbridge/bench/fetch_ppds.py "$ppds" 20 >/dev/null
fi

out="$native/bench-results"
mkdir -p "$out"
common=(--benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true
        --benchmark_out_format=json)
"$native/bin/langpack_bench" "${common[@]}" --benchmark_out="$out/langpack.json" >/dev/null
ZELT_PPD_DIR="$ppds" "$native/bin/drvbridge_bench" "${common[@]}" \
  --benchmark_out="$out/drvbridge.json" >/dev/null

files=()
for f in "$ppds"/*; do files+=("Z:$(realpath "$f" | tr / '\\')"); done
LC_ALL=C sh cmake/wine-run.sh "$width" "$prefix" "$win/bin/reader_scan.exe" "$reps" "${files[@]}" \
  >"$out/wine-1252.txt"
LC_ALL=ja_JP.UTF-8 sh cmake/wine-run.sh "$width" "$prefix" "$win/bin/reader_scan.exe" "$reps" \
  "${files[@]}" >"$out/wine-932.txt"

# Measure 4: the real file nearest 600 KB, the entry added first and last.
near600=$(for f in "$ppds"/*; do
  echo "$(( $(stat -c %s "$f") > 614400 ? $(stat -c %s "$f") - 614400 : 614400 - $(stat -c %s "$f") )) $f"
done | sort -n | head -1 | cut -d' ' -f2-)
LC_ALL=C sh cmake/wine-run.sh "$width" "$prefix" "$win/bin/lookup_bench.exe" "${BENCH_LOOKUPS:-200}" \
  "Z:$(realpath "$near600" | tr / '\\')" >"$out/lookup.txt"
# Measure 5: langpack.exe with the measuring payload against the idle program.
LC_ALL=C sh cmake/wine-run.sh "$width" "$prefix" "$win/bin/measure/launch_bench.exe" "${BENCH_LAUNCHES:-31}" \
  >"$out/launch.txt"
# Measure 6: the bridge's failure trace with no debugger listening.
LC_ALL=C sh cmake/wine-run.sh "$width" "$prefix" "$win/bin/trace_bench.exe" "${BENCH_LAUNCHES:-31}" \
  >"$out/trace.txt"
# Measure 7: lppack.exe packing the measuring payload against its idle run.
LC_ALL=C sh cmake/wine-run.sh "$width" "$prefix" "$win/bin/measure/pack_bench.exe" "${BENCH_PACKS:-5}" \
  >"$out/pack.txt"

python3 - "$out" "$preset" <<'PY'
import json, sys
out, preset = sys.argv[1], sys.argv[2]
med = {}
for name in ("langpack", "drvbridge"):
    for b in json.load(open(f"{out}/{name}.json"))["benchmarks"]:
        if b.get("aggregate_name") == "median":
            med[b["run_name"]] = b
def mbs(n): return med[n]["bytes_per_second"] / 1e6
def t(n): return med[n]["cpu_time"]
wine = {}
for page in ("1252", "932"):
    for line in open(f"{out}/wine-{page}.txt"):
        k, v = line.split()
        wine[(page, k)] = float(v)
def pairs(name):
    return {k: float(v) for k, v in (line.split() for line in open(f"{out}/{name}.txt"))}
lk = pairs("lookup")
ln = pairs("launch")
tr = pairs("trace")
pk = pairs("pack")
kb = lambda b: f"{b / 1024:.0f} KB"
limit = ln["limit_bytes"]
rows = [
  ("1 GunzipMemory, measuring payload", f"{mbs('BM_GunzipMemory'):.0f} MB/s",
   f"{mbs('BM_GunzipMemory') / mbs('BM_ZlibRawInflateCrc32'):.3f} of raw inflate+crc32", ">= 0.97"),
  ("  raw inflate + crc32", f"{mbs('BM_ZlibRawInflateCrc32'):.0f} MB/s", "", ""),
  ("  memcpy", f"{mbs('BM_Memcpy'):.0f} MB/s", "", ""),
  ("2 ReadNextEntry, 20 real files, page 1252", f"{mbs('BM_ReadNextEntry_RealFiles/1252'):.0f} MB/s",
   f"{mbs('BM_ReadNextEntry_RealFiles/1252') / mbs('BM_PpdOpenFile_RealFiles'):.1f}x system parser", ">= 3x"),
  ("  ReadNextEntry, page 932 table", f"{mbs('BM_ReadNextEntry_RealFiles/932'):.0f} MB/s", "", ""),
  ("  byte-at-a-time reader, page 1252", f"{mbs('BM_ReferenceReader_RealFiles/1252'):.0f} MB/s",
   f"fast is {mbs('BM_ReadNextEntry_RealFiles/1252') / mbs('BM_ReferenceReader_RealFiles/1252'):.2f}x", ""),
  ("  system parser (open+close)", f"{mbs('BM_PpdOpenFile_RealFiles'):.0f} MB/s", "", ""),
  ("2w ReadNextEntry under Wine, 1252", f"{wine[('1252','fast_MBps')]:.0f} MB/s",
   f"byte-at-a-time {wine[('1252','reference_MBps')]:.0f} MB/s", ">= 250 MB/s"),
  ("2w ReadNextEntry under Wine, 932", f"{wine[('932','fast_MBps')]:.0f} MB/s",
   f"byte-at-a-time {wine[('932','reference_MBps')]:.0f} MB/s", ">= 250 MB/s"),
  ("3 unclosed quote vs normal, 10 MB", f"{t('BM_ReadNextEntry_Unclosed10MB') / 1e6:.1f} ms vs {t('BM_ReadNextEntry_Normal10MB') / 1e6:.1f} ms",
   f"{t('BM_ReadNextEntry_Unclosed10MB') / t('BM_ReadNextEntry_Normal10MB'):.2f}x", "<= 2x"),
  (f"4 GetDependDllName, {kb(lk['bytes'])} file, Wine", f"last {lk['last_us']:.0f} us, first {lk['first_us']:.0f} us",
   f"reader's share {lk['diff_us']:.0f} us ({lk['bytes'] / lk['diff_us']:.0f} MB/s)", "report both"),
  (f"5 langpack.exe /L{ln['set']:.0f} ({kb(ln['set_bytes'])}) vs idle", f"{ln['langpack_ms']:.1f} vs {ln['idle_ms']:.1f} ms",
   f"+{ln['diff_ms']:.1f} ms (rejected /L20: {ln['rejected_ms']:.1f} ms)", "<= +10 ms"),
  ("  peak working set above idle", kb(ln["diff_peak_ws"]),
   f"{kb(ln['langpack_peak_ws'])} vs {kb(ln['idle_peak_ws'])}", f"<= {kb(limit)}"),
  ("  peak pagefile use above idle", kb(ln["diff_peak_pagefile"]),
   f"{kb(ln['langpack_peak_pagefile'])} vs {kb(ln['idle_peak_pagefile'])}", f"<= {kb(limit)}"),
  ("  rejected /L20 (same image) above idle", f"ws {kb(ln['rejected_peak_ws'] - ln['idle_peak_ws'])}",
   f"pagefile {kb(ln['rejected_peak_pagefile'] - ln['idle_peak_pagefile'])}", "the image's own"),
  ("  five files with flush vs without", f"{ln['write_set_flush_ms']:.1f} vs {ln['write_set_ms']:.1f} ms",
   f"flush +{ln['write_set_flush_ms'] - ln['write_set_ms']:.1f} ms per run", "report"),
  ("  one trace line, no debugger listening", f"{ln['trace_line_us']:.1f} us",
   f"a run of set {ln['set']:.0f} writes 8 lines", "a few us"),
  ("6 traced failure, no debugger: null handle", f"{tr['null_handle_us']:.1f} us per call",
   f"OutputDebugStringA alone {tr['ods_us']:.1f} us", "report"),
  ("  GetExclusive, no such printer (traced)", f"{tr['unknown_printer_us']:.1f} us per call", "", ""),
  ("7 lppack.exe, measuring payload vs idle", f"{pk['pack_ms']:.0f} vs {pk['idle_ms']:.0f} ms",
   f"output {kb(pk['output_bytes'])}", "report"),
  ("  peak working set, pack vs idle", kb(pk["pack_peak_ws"] - pk["idle_peak_ws"]),
   f"{kb(pk['pack_peak_ws'])} vs {kb(pk['idle_peak_ws'])}", "report"),
  ("  peak pagefile use, pack vs idle", kb(pk["pack_peak_pagefile"] - pk["idle_peak_pagefile"]),
   f"{kb(pk['pack_peak_pagefile'])} vs {kb(pk['idle_peak_pagefile'])}", "report"),
]
print(f"Wine rows (2w, 4, 5, 6, 7): the {preset} build")
print(f"{'measure':44} {'median':30} {'ratio':40} target")
for r in rows:
    print(f"{r[0]:44} {r[1]:30} {r[2]:40} {r[3]}")
PY
