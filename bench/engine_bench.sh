#!/usr/bin/env bash
# Builds and runs the engine benchmark in a release build, then times Python's dbfread on
# the same 100,000-record file and prints the ratio of the two full scans.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPLATORIS_BENCH=ON -DPLATORIS_TESTS=OFF >/dev/null
cmake --build build-bench --target engine_bench
out=$(build-bench/bench/engine_bench --benchmark_format=console 2>&1 | tee /dev/stderr)
engine_ms=$(printf '%s\n' "$out" | awk '/^BM_OpenAndFullScan/ {print $2; exit}')
py=$(/usr/bin/python3 bench/dbfread_scan.py "${TMPDIR:-/tmp}/platoris-bench/DayData.DBF" 3)
echo "$py"
py_ms=$(printf '%s\n' "$py" | sed -E 's/.*: ([0-9.]+) ms/\1/')
awk -v e="$engine_ms" -v p="$py_ms" 'BEGIN { printf "full scan: engine %.1f ms, dbfread %.1f ms, engine is %.1f times faster\n", e, p, p / e }'
