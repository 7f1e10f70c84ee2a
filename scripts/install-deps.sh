#!/usr/bin/env bash
# Installs what building and testing the Linux program needs, on a fresh
# Debian machine (as root). Only missing packages are installed.
set -euo pipefail

packages=(cmake make g++ libgtest-dev libgmock-dev attr nlohmann-json3-dev libcli11-dev "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
