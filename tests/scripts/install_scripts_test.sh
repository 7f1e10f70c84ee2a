#!/usr/bin/env bash
# The install scripts against a fake registry caught mid-sync: `apt-get
# update` fails as a mirror being synced makes it fail, and `apt-get
# install` cannot resolve multi-arch versions unless given the release as
# target. The scripts must go on past the update, retry with the target,
# and fail only when the retry fails too, naming the packages and apt's
# error. A fake `apt-get`, `dpkg` and `id` stand first on PATH; what is
# "installed" is a folder of marker files.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
release=$(. /etc/os-release && echo "$VERSION_CODENAME")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"

# MODE (a file): "retry" — install succeeds only with -t RELEASE;
# "never32" — as retry, but never with wine32:i386 among the packages;
# "never" — install always fails.
cat >"$work/bin/apt-get" <<'FAKE'
#!/bin/sh
echo "apt-get $*" >>"$FAKE/calls"
case "$1" in
  update)
    echo "E: Failed to fetch http://deb.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
    exit 100 ;;
  install) ;;
  *) exit 0 ;;
esac
mode=$(cat "$FAKE/mode")
target=no
for a in "$@"; do [ "$a" = "$FAKE_RELEASE" ] && [ "$prev" = -t ] && target=yes; prev=$a; done
case " $* " in *" wine32:i386 "*) [ "$mode" = never32 ] && target=no ;; esac
if [ "$mode" = never ] || [ $target = no ]; then
  echo "Some packages could not be installed."
  echo "E: Unable to correct problems, you have held broken packages." >&2
  exit 100
fi
for a in "$@"; do
  case "$a" in -*|install|"$FAKE_RELEASE") ;; *) touch "$FAKE/installed/$a" ;; esac
done
FAKE
cat >"$work/bin/dpkg" <<'FAKE'
#!/bin/sh
case "$1" in
  -s) [ -e "$FAKE/installed/$2" ] ;;
  --print-foreign-architectures) [ -e "$FAKE/i386" ] && echo i386; exit 0 ;;
  --add-architecture) echo "dpkg $*" >>"$FAKE/calls"; touch "$FAKE/i386" ;;
esac
FAKE
printf '#!/bin/sh\necho 0\n' >"$work/bin/id"
chmod +x "$work/bin"/*

passed=0
failed=0
check() {  # NAME CONDITION...
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $name"
    sed 's/^/  | /' "$FAKE/out"
  fi
}

# Runs SCRIPT in a fresh fake registry in MODE; its exit code in $rc.
run() {
  export FAKE="$work/$1-$2" FAKE_RELEASE=$release
  rm -rf "$FAKE"
  mkdir -p "$FAKE/installed"
  echo "$2" >"$FAKE/mode"
  VAXO_WINE32_REASON="$FAKE/reason" PATH="$work/bin:$PATH" "$root/scripts/$1" >"$FAKE/out" 2>&1
  rc=$?
}
retried() { grep -q "^apt-get install .*-t $release" "$FAKE/calls"; }
said() { grep -qF -- "$1" "$FAKE/out"; }

for script in install-deps.sh install-windows-deps.sh; do
  run $script retry
  check "$script ends 0 past a failing update" [ $rc -eq 0 ]
  check "$script retries with -t $release" retried
  check "$script reports the update in one line" said "package lists partly out of date: E: Some index files failed to download."
  check "$script installed the packages" [ -e "$FAKE/installed/cmake" ]

  run $script never
  check "$script fails when the retry fails" [ $rc -ne 0 ]
  check "$script names packages and apt's error" said "could not install cmake"
  check "$script names apt's error line" said "held broken packages."
done

run install-windows-deps.sh retry
check "the 32-bit Wine comes in the same install" [ -e "$FAKE/installed/wine32:i386" ]
check "i386 is added before the install" grep -q "dpkg --add-architecture i386" "$FAKE/calls"
check "no reason when wine32 is installed" [ ! -s "$FAKE/reason" ]

run install-windows-deps.sh never32
check "without wine32 the rest still installs, ending 0" [ $rc -eq 0 ]
check "the rest is installed" [ -e "$FAKE/installed/wine64" ]
check "wine32 is not" [ ! -e "$FAKE/installed/wine32:i386" ]
check "the reason is apt's error line" grep -qx "E: Unable to correct problems, you have held broken packages." "$FAKE/reason"

echo "install scripts: $passed passed, $failed failed"
[ $failed -eq 0 ]
