#!/usr/bin/env bash
# Installs what building and testing the Linux program needs, on a fresh
# Debian machine (as root). Only missing packages are installed.
#   scripts/install-deps.sh [--browser] [PACKAGE ...]
# --browser also installs Chromium and ImageMagick for the browser test of
# the report page; where they cannot be installed, that test is skipped.
set -euo pipefail

browser=no
if [ "${1:-}" = --browser ]; then
  browser=yes
  shift
fi
packages=(cmake make g++ libgtest-dev libgmock-dev attr nlohmann-json3-dev libcli11-dev libdtl-dev patch ansible ansible-lint "$@")

missing_of() {
  for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || echo "$p"
  done
}

apt_who=install-deps
# shellcheck source=scripts/apt-lib.sh
. "$(dirname "$0")/apt-lib.sh"

mapfile -t missing < <(missing_of "${packages[@]}")
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  apt_install "${missing[@]}" || exit 1
fi
if [ $browser = yes ]; then
  mapfile -t missing < <(missing_of chromium imagemagick)
  if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    apt_install "${missing[@]}" || echo "could not install ${missing[*]}: the browser test will be skipped"
  fi
fi
