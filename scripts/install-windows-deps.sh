#!/bin/sh
# Installs what the Windows build and its runs under Wine need on a Debian
# machine (run as root). Installs only what is missing, so it can run before
# every test; with everything in place it makes no network access.
#   cmake, make            the build
#   g++-mingw-w64-*        the cross compilers, 32- and 64-bit
#   wine, wine64           Wine for 64-bit programs
#   wine32:i386            Wine for 32-bit programs; needs the i386 architecture
#   file, binutils         looking into the built programs
#   fonts-wine             the fonts Windows programs expect (Tahoma, Marlett)
#   attr                   hidden files for the end-to-end tests (setfattr)
#   xvfb, xdotool          the window tests: a virtual display and its input
#   imagemagick            screenshots of the forms (import)
#   nlohmann-json3-dev, libcli11-dev, libdtl-dev
#                          the header-only libraries of vaxo (JSON, command
#                          line, diffs), for the MinGW builds too
set -eu

packages="cmake make file binutils g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 wine32:i386
  fonts-wine attr xvfb xdotool imagemagick nlohmann-json3-dev libcli11-dev libdtl-dev patch"

say() { echo "install-windows-deps: $*" >&2; }

missing=""
for p in $packages; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -z "$missing" ]; then
  say "all present"
  exit 0
fi

if [ "$(id -u)" != 0 ]; then
  say "missing:$missing; run as root to install"
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
case "$missing" in
  *:i386*)
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      say "adding the i386 architecture"
      dpkg --add-architecture i386
    fi
    ;;
esac
say "installing:$missing"
apt-get update -qq
# Wine's recommendations (fonts, sound, desktop integration) are not needed
# to run console programs headless.
# shellcheck disable=SC2086
apt-get install -y -q --no-install-recommends $missing
