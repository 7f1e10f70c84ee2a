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

packages="cmake make file binutils g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64
  fonts-wine attr xvfb xdotool imagemagick nlohmann-json3-dev libcli11-dev libdtl-dev patch"

# The 32-bit Wine goes in with the rest, in one go: its libraries must
# have the versions of the 64-bit ones, so both must come from the same
# lists. Where it cannot be installed even with the release as target, the
# rest goes in without it and the 64-bit suites still run; why goes on one
# line into the file that VAXO_WINE32_REASON names (for
# scripts/test-windows.sh), and the script still ends 0.
wine32=wine32:i386

apt_who=install-windows-deps
# shellcheck source=scripts/apt-lib.sh
. "$(dirname "$0")/apt-lib.sh"
say() { apt_say "$*"; }

missing_of() {
  for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || printf ' %s' "$p"
  done
}

# shellcheck disable=SC2086
missing=$(missing_of $packages)
missing32=$(missing_of $wine32)
[ -z "${VAXO_WINE32_REASON:-}" ] || : >"$VAXO_WINE32_REASON"
if [ -z "$missing$missing32" ]; then
  say "all present"
  exit 0
fi

if [ "$(id -u)" != 0 ]; then
  say "missing:$missing$missing32; run as root to install"
  exit 1
fi

if [ -n "$missing32" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  say "adding the i386 architecture"
  dpkg --add-architecture i386
fi
# Wine's recommendations (fonts, sound, desktop integration) are not needed
# to run console programs headless.
say "installing:$missing$missing32"
# shellcheck disable=SC2086
apt_install $missing $missing32 && exit 0
[ -n "$missing32" ] || exit 1
reason=$apt_error
if [ -n "$missing" ]; then
  say "installing without $wine32:$missing"
  # shellcheck disable=SC2086
  apt_install $missing || exit 1
fi
say "$wine32 could not be installed ($reason): the 32-bit Windows suites will be skipped"
[ -z "${VAXO_WINE32_REASON:-}" ] || printf '%s\n' "$reason" >"$VAXO_WINE32_REASON"
