#!/usr/bin/env bash
# Builds the optimised program with the measurements (build-bench) and runs
# them: the engine alone, upgrade_file end to end, a whole generated
# installation pair, and the report of such a run (vaxo report on its log,
# and its page in headless Chromium), then the ratios that have targets.
# Extra arguments go to the benchmark program, e.g. --benchmark_filter=Report.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --browser libbenchmark-dev

cmake --preset bench >/dev/null
cmake --build --preset bench -j2
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(date -u +%Y-%m-%dT%H:%MZ)"
build-bench/bin/vaxo_bench "$@"
