#!/usr/bin/env bash
# Upgrades the bundled sample installation pair in a scratch folder, shows
# where the log went and the run's report. Installs and builds what is
# missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target upgrade_vaxo ValXfer vaxo >/dev/null

scratch=$(mktemp -d /tmp/upgrade_vaxo_sample.XXXXXX)
cp -r sample/old sample/new "$scratch/"
mkdir -p "$scratch/drive_c/zel/roboter/log"

echo "sample copied to $scratch"
set +e
VAXO_DRIVE_C="$scratch/drive_c" build/bin/upgrade_vaxo "$scratch/old|$scratch/new" </dev/null
code=$?
set -e
log="$scratch/drive_c/zel/roboter/log/Upgrade_vaxo.log"
echo
echo "exit code: $code"
echo "log:       $log"
echo "entries:   $(grep -c '^    ' "$log") info, $(grep -c '^!!! ' "$log") errors, $(grep -c '^### ' "$log") warnings, $(grep -c '^-- ' "$log") titles"
echo "upgraded:  $scratch/new"
echo "report:    $scratch/drive_c/zel/roboter/log/Upgrade_vaxo.html (and .json)"
echo
tr -d '\r' < "$log"
echo
VAXO_DRIVE_C="$scratch/drive_c" build/bin/vaxo report
