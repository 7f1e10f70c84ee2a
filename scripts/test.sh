#!/usr/bin/env bash
# Builds the Linux program and runs every test: in a debug build and under
# AddressSanitizer and UBSan, then each fuzz target for a bounded time, then
# the Windows program under Wine. Installs what is missing first.
#   VAXO_FUZZ_SECONDS (default 30) sets the time per fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --browser

echo "=== install scripts against a registry mid-sync ==="
tests/scripts/install_scripts_test.sh

for preset in default asan; do
  echo "=== $preset build ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2
  ctest --preset "$preset" -j2
done

echo "=== fuzzing ==="
scripts/fuzz.sh "${VAXO_FUZZ_SECONDS:-30}"

echo "=== the Windows program under Wine ==="
scripts/test-windows.sh
