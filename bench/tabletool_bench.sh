#!/usr/bin/env bash
# Builds the table tool in a release build and measures it side by side with Python's dbfread
# and cat on one 100,000-record day table (bench/tabletool_bench.py says what is measured).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPLATORIS_BENCH=ON -DPLATORIS_TESTS=OFF >/dev/null
cmake --build build-bench --target tabletool
exec /usr/bin/python3 bench/tabletool_bench.py build-bench/tools/tabletool/tabletool "${TMPDIR:-/tmp}/platoris-tabletool-bench"
