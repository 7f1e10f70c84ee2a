#!/bin/sh
# Smoke test of the Windows build: installs what is missing, cross-builds
# the 32- and 64-bit programs, makes (or reuses) the Wine prefix and runs
# the checks of the Windows backend under Wine for both builds.
#
#   scripts/test-windows.sh [--no-build] [--fresh-prefix] [--arch 32|64]
#
# Every step prints how long it took. Exit code 0 when every run passed.
# New suites go into run_suites below, one function each, taking the
# build directory and the architecture.
set -eu

cd "$(dirname "$0")/.."
root=$(pwd)

build=yes
fresh=""
arches="32 64"
while [ $# -gt 0 ]; do
  case "$1" in
    --no-build) build=no ;;
    --fresh-prefix) fresh=--fresh ;;
    --arch) shift; arches="$1" ;;
    *) echo "usage: $0 [--no-build] [--fresh-prefix] [--arch 32|64]" >&2; exit 2 ;;
  esac
  shift
done

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f s", b - a }'; }
step() { echo "== $*"; }

failures=0
results=""
note() { results="$results$1
"; }

# --- dependencies and builds ----------------------------------------------

t=$(now)
step "dependencies"
scripts/install-windows-deps.sh
echo "   ($(since "$t"))"

if [ $build = yes ]; then
  for a in $arches; do
    t=$(now)
    step "build win$a"
    cmake --preset "win$a" >/dev/null
    cmake --build --preset "win$a" -j2
    echo "   build win$a: $(since "$t")"
    note "build win$a: $(since "$t")"
  done
fi

# --- Wine ------------------------------------------------------------------

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

t=$(now)
step "wine prefix"
WINEPREFIX=$(scripts/wine-prefix.sh $fresh)
export WINEPREFIX
echo "   $WINEPREFIX ($(since "$t"))"
note "prefix: $(since "$t")"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT INT TERM

# Runs one program under Wine with a time limit; its exit code is ours.
run_wine() {
  timeout 300 wine "$@" </dev/null
}

# The checks of the Windows backend (platform/env_win32_probe.cc).
suite_env_probe() {
  dir=$1 arch=$2
  exe="$dir/bin/env_win32_probe.exe"
  if [ ! -f "$exe" ]; then
    echo "   missing $exe"
    return 1
  fi
  out=$(mktemp)
  rc=0
  run_wine "$exe" >"$out" 2>&1 || rc=$?
  grep -v '^ok ' "$out" | sed 's/^/   /'
  summary=$(tail -n 1 "$out" | tr -d '\r')
  rm -f "$out"
  note "env probe win$arch: $summary"
  return $rc
}

run_suites() {
  dir=$1 arch=$2
  for suite in suite_env_probe; do
    t=$(now)
    step "$suite win$arch"
    if $suite "$dir" "$arch"; then
      echo "   passed ($(since "$t"))"
      note "$suite win$arch: passed in $(since "$t")"
    else
      echo "   FAILED ($(since "$t"))"
      note "$suite win$arch: FAILED in $(since "$t")"
      failures=$((failures + 1))
    fi
  done
}

for a in $arches; do
  run_suites "$root/build-win$a" "$a"
done
wineserver -k >/dev/null 2>&1 || true

step "summary"
printf '%s' "$results" | sed 's/^/   /'
if [ $failures -ne 0 ]; then
  echo "$failures suite run(s) failed"
  exit 1
fi
echo "all passed"
