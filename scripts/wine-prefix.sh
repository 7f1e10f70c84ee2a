#!/bin/sh
# Makes the Wine prefix that runs the Windows build, once, and prints its
# path (the only line on standard output). Usage:
#   WINEPREFIX=$(scripts/wine-prefix.sh)          # make or reuse
#   scripts/wine-prefix.sh --fresh                # throw the old one away
#   scripts/wine-prefix.sh --64-only              # where wine32:i386 is missing
# The path is $VAXO_WINEPREFIX, else /tmp/vaxo-wine-<uid>.
#
# Lessons:
# - A prefix made while only the 64-bit Wine (wine64) was installed has no
#   syswow64 and can never run 32-bit programs, even after wine32:i386 is
#   added. Such a prefix is thrown away and made again here.
# - Wine keeps a wineserver per prefix running for a few seconds after the
#   last program; whoever uses the prefix ends with `wineserver -k`, else the
#   next step may find a half-stopped server or a busy prefix directory.
# - Without DISPLAY Wine runs windowed programs headless; the mono and gecko
#   installers are switched off, they would ask with a dialogue.
# - Wine counts a name beginning with "." as hidden, Windows does not; with
#   HKCU\Software\Wine ShowDotFiles=Y it answers as Windows does. A prefix
#   made before the setting came here gets it added.
set -eu

prefix=${VAXO_WINEPREFIX:-/tmp/vaxo-wine-$(id -u)}
fresh=no
only64=no
for arg in "$@"; do
  case "$arg" in
    --fresh) fresh=yes ;;
    --64-only) only64=yes ;;
  esac
done

export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

say() { echo "wine-prefix: $*" >&2; }

command -v wine >/dev/null 2>&1 || { say "wine is not installed (scripts/install-windows-deps.sh)"; exit 2; }

# One maker at a time; a second caller waits and then reuses the prefix.
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9

can_run_32bit() {
  [ $only64 = no ] || return 0
  [ -d "$prefix/drive_c/windows/syswow64" ] || return 1
  # A 64-bit prefix also needs the 32-bit Wine to be there now.
  dpkg -s wine32:i386 >/dev/null 2>&1 || [ -x /usr/lib/wine/wine ] || return 1
}

# The settings the tests rely on; a prefix made before they changed gets
# them and the stamp that names them.
stamp="theme-light dot-files"
settings() {
  # The "Light" visual style that Wine ships: the programs' manifests ask
  # for the themed common controls, and the screenshots show them.
  key='HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager'
  wine reg add "$key" /v ThemeActive /t REG_SZ /d 1 /f >/dev/null 2>&1 &&
    wine reg add "$key" /v DllName /t REG_SZ \
      /d 'C:\windows\resources\themes\light\light.msstyles' /f >/dev/null 2>&1 &&
    wine reg add "$key" /v ColorName /t REG_SZ /d Blue /f >/dev/null 2>&1 &&
    wine reg add "$key" /v SizeName /t REG_SZ /d NormalSize /f >/dev/null 2>&1
  # A leading dot hides nothing on Windows; Wine hides such names unless
  # told otherwise.
  wine reg add 'HKCU\Software\Wine' /v ShowDotFiles /t REG_SZ /d Y /f >/dev/null 2>&1
  wineserver -w
  shows_dot_files || { say "the prefix did not take ShowDotFiles=Y"; exit 1; }
}

# Reads the registry on disk, where settings() waited for it to be.
shows_dot_files() {
  grep -q '^"ShowDotFiles"="Y"' "$prefix/user.reg" 2>/dev/null
}

if [ -f "$prefix/.vaxo-ready" ] && [ $fresh = no ] && can_run_32bit; then
  if [ "$(cat "$prefix/.vaxo-ready")" != "$stamp" ]; then
    say "updating the settings of $prefix"
    settings
    wineserver -k >/dev/null 2>&1 || true
    echo "$stamp" >"$prefix/.vaxo-ready"
  fi
  echo "$prefix"
  exit 0
fi

if [ -e "$prefix" ]; then
  say "removing old prefix $prefix"
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
fi

say "making $prefix"
start=$(date +%s)
wineboot -i >/dev/null 2>&1
wineserver -w
# Wine's window manager must not manage the program's windows.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
settings
wineserver -k >/dev/null 2>&1 || true

if ! can_run_32bit; then
  say "the prefix cannot run 32-bit programs (is wine32:i386 installed?)"
  exit 1
fi
echo "$stamp" >"$prefix/.vaxo-ready"
say "made in $(( $(date +%s) - start )) s"
echo "$prefix"
