#!/usr/bin/env bash
# Builds the Linux program and runs every test: once in a debug build and
# once under AddressSanitizer and UBSan. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

for preset in default asan; do
  echo "=== $preset build ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2
  ctest --preset "$preset" -j2
done
