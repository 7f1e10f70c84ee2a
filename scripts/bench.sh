#!/usr/bin/env bash
# Builds the optimised program with the measurements (build-bench) and runs
# them: the engine alone, upgrade_file end to end, a whole generated
# installation pair, the whole run against its floor (bench/floor.cc: what
# the design needs and nothing more) and its peak memory with its report
# against without, and the report of such a run (vaxo report on its log,
# and its page in headless Chromium), then the ratios that have targets.
# Where Wine and MinGW are installed, the Windows program (build-win32) is
# set against the floor built with MinGW too, in its own Wine prefix.
# Extra arguments go to the benchmark program, e.g. --benchmark_filter=Floor.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --browser libbenchmark-dev

cmake --preset bench >/dev/null
cmake --build --preset bench -j2
if command -v wine >/dev/null 2>&1 && command -v i686-w64-mingw32-g++-posix >/dev/null 2>&1; then
  cmake --preset win32 >/dev/null
  cmake --build --preset win32 -j2 --target UpgradeVaxo ValXfer
  # Beside the programs, not among them: the Windows tests check every
  # program in build-win32/bin for its manifest and version.
  mkdir -p build-win32/bench
  i686-w64-mingw32-g++-posix -std=c++17 -O2 -Wall -Wextra -static \
    -o build-win32/bench/vaxo_floor.exe bench/floor.cc
  VAXO_BENCH_WIN32=$PWD/build-win32/bin
  VAXO_BENCH_WIN32_FLOOR=$PWD/build-win32/bench/vaxo_floor.exe
  # A prefix of its own: the runs make C:\zel\roboter\log in it.
  WINEPREFIX=$(VAXO_WINEPREFIX=/tmp/vaxo-wine-bench-$(id -u) scripts/wine-prefix.sh)
  export VAXO_BENCH_WIN32 VAXO_BENCH_WIN32_FLOOR WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
else
  echo "no Wine or no MinGW: the Windows program is not measured"
fi
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(date -u +%Y-%m-%dT%H:%MZ)"
build-bench/bin/vaxo_bench "$@"
