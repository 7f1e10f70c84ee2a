#!/bin/sh
# Tests of the Windows build: installs what is missing, cross-builds the
# 32- and 64-bit programs, makes (or reuses) the Wine prefix and runs under
# Wine:
#   resources   every program of the build has its manifest and version
#               resource (objdump -p)
#   env_probe   the checks of the Windows backend (both builds)
#   e2e         the end-to-end tests (tests/e2e_*.cc) against the 32-bit
#               program; the 64-bit one runs the sample pair
#   gui         the two forms on a virtual display (tests/wine/gui_test.sh);
#               screenshots in build-win32/gui-artefacts
#
#   scripts/test-windows.sh [--no-build] [--fresh-prefix] [--arch 32|64]
#                           [--no-gui] [--update-docs]
#
# --update-docs copies the screenshots of the forms to docs/. Every step
# prints how long it took; the last line reads "N passed, M failed, K
# skipped". Exit code 0 when every run passed.
#
# Where the 32-bit Wine (wine32:i386) cannot be installed, the 32-bit
# programs are still built and their resources checked, the 64-bit build
# runs every end-to-end test under wine64 in their place, and the other
# 32-bit suites are counted as skipped, with the reason on a line of its
# own. New suites go into run_suites below, one
# function each, taking the build directory and the architecture.
set -eu

cd "$(dirname "$0")/.."
root=$(pwd)

build=yes
fresh=""
arches="32 64"
gui=yes
docs=no
while [ $# -gt 0 ]; do
  case "$1" in
    --no-build) build=no ;;
    --fresh-prefix) fresh=--fresh ;;
    --arch) shift; arches="$1" ;;
    --no-gui) gui=no ;;
    --update-docs) docs=yes ;;
    *)
      echo "usage: $0 [--no-build] [--fresh-prefix] [--arch 32|64] [--no-gui] [--update-docs]" >&2
      exit 2
      ;;
  esac
  shift
done
total_start=$(date +%s.%N)

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f s", b - a }'; }
step() { echo "== $*"; }

failures=0
passes=0
skipped=0
results=""
note() { results="$results$1
"; }

# --- dependencies and builds ----------------------------------------------

t=$(now)
step "dependencies"
reason_file=$(mktemp)
VAXO_WINE32_REASON=$reason_file scripts/install-windows-deps.sh
wine32_missing=""
if ! dpkg -s wine32:i386 >/dev/null 2>&1 && [ ! -x /usr/lib/wine/wine ]; then
  wine32_missing=$(head -n 1 "$reason_file")
  [ -n "$wine32_missing" ] || wine32_missing="not installed"
fi
rm -f "$reason_file"
echo "   ($(since "$t"))"
if [ -n "$wine32_missing" ]; then
  echo "skipped: 32-bit Windows suites: wine32:i386 could not be installed ($wine32_missing)"
fi

# The test drivers that run under Wine beside the program.
drivers="cmdline_launch slow_tool hold_file"
build_drivers() {
  dir=$1 arch=$2
  cxx=i686-w64-mingw32-g++-posix
  [ "$arch" = 64 ] && cxx=x86_64-w64-mingw32-g++-posix
  flags="-std=c++17 -O2 -Wall -Wextra -static"
  # shellcheck disable=SC2086
  $cxx $flags -o "$dir/bin/cmdline_launch.exe" tests/wine/cmdline_launch.cc &&
    $cxx $flags -mwindows -o "$dir/bin/slow_tool.exe" tests/wine/slow_tool.cc &&
    $cxx $flags -o "$dir/bin/hold_file.exe" tests/wine/hold_file.cc
}

# The value-transfer tool is a windowed program, so that no console flashes
# in front of the progress form while the run waits for it.
check_subsystems() {
  dir=$1 arch=$2
  objdump=i686-w64-mingw32-objdump
  [ "$arch" = 64 ] && objdump=x86_64-w64-mingw32-objdump
  $objdump -p "$dir/bin/ValXfer.exe" | grep -q 'Subsystem.*(Windows GUI)' ||
    { echo "   ValXfer.exe is not a Windows GUI program"; return 1; }
}

if [ $build = yes ]; then
  for a in $arches; do
    t=$(now)
    step "build win$a"
    if cmake --preset "win$a" >/dev/null && cmake --build --preset "win$a" -j2 &&
      check_subsystems "$root/build-win$a" "$a" &&
      build_drivers "$root/build-win$a" "$a" &&
      (cd "$root/build-win$a" && cpack >/dev/null); then
      note "build win$a: $(since "$t")"
    else
      note "build win$a: FAILED in $(since "$t")"
      failures=$((failures + 1))
    fi
    echo "   build win$a: $(since "$t")"
  done
fi

# The end-to-end tests are a Linux (gtest) program that starts the Windows
# one under Wine: the native build's when it knows how (an older one would
# quietly test the Linux program), else one built here.
e2e_test=""
e2e_binary() {
  [ -n "$e2e_test" ] && return 0
  if [ -x "$root/build/tests/e2e_test" ] && grep -q VAXO_E2E_WINE "$root/build/tests/e2e_test"; then
    e2e_test="$root/build/tests/e2e_test"
    return 0
  fi
  t=$(now)
  step "build the end-to-end tests (native)"
  scripts/install-deps.sh >/dev/null
  cmake -S . -B build-wlin -DCMAKE_BUILD_TYPE=Debug >/dev/null &&
    cmake --build build-wlin --target e2e_test -j2 >/dev/null || return 1
  e2e_test="$root/build-wlin/tests/e2e_test"
  echo "   ($(since "$t"))"
}

# --- Wine ------------------------------------------------------------------

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

t=$(now)
step "wine prefix"
only64=""
[ -z "$wine32_missing" ] || only64=--64-only
WINEPREFIX=$(scripts/wine-prefix.sh $fresh $only64)
export WINEPREFIX
echo "   $WINEPREFIX ($(since "$t"))"
note "prefix: $(since "$t")"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT INT TERM

# Runs one program under Wine with a time limit; its exit code is ours.
run_wine() {
  timeout 300 wine "$@" </dev/null
}

# Every program the build makes, the test drivers aside, carries a manifest
# (resource type 24) and a version resource (type 16).
suite_resources() {
  dir=$1 arch=$2
  objdump=i686-w64-mingw32-objdump
  [ "$arch" = 64 ] && objdump=x86_64-w64-mingw32-objdump
  rc=0 n=0
  for exe in "$dir"/bin/*.exe; do
    name=$(basename "$exe" .exe)
    case " $drivers " in *" $name "*) continue ;; esac
    # The types are the entries of the resource directory's first level.
    types=$($objdump -p "$exe" | sed -n '/The .rsrc Resource Directory section/,$p' |
      sed -n 's/^[0-9a-f]*   Entry: ID: 0x0000\(10\|18\),.*/\1/p' | sort | tr '\n' ' ')
    n=$((n + 1))
    if [ "$types" != "10 18 " ]; then
      echo "   $name.exe: resource types [$types], want the manifest (18) and the version (10)"
      rc=1
    fi
  done
  [ $n -gt 0 ] || { echo "   no programs in $dir/bin"; rc=1; }
  note "resources win$arch: $n programs"
  return $rc
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

# The end-to-end tests against the program of this build, each in a prefix
# of its own copied from ours; two shards side by side. The 64-bit build
# runs the sample pair only, or all of them where the 32-bit one cannot run.
suite_e2e() {
  dir=$1 arch=$2
  e2e_binary || { echo "   cannot build the end-to-end tests"; return 1; }
  filter="*"
  [ "$arch" = 64 ] && [ -z "$wine32_missing" ] && filter="E2eSample.*"
  out0=$(mktemp) out1=$(mktemp)
  export VAXO_E2E_WINE="$dir/bin" VAXO_E2E_WINEPREFIX="$WINEPREFIX" GTEST_TOTAL_SHARDS=2
  GTEST_SHARD_INDEX=0 timeout 600 "$e2e_test" --gtest_filter="$filter" >"$out0" 2>&1 &
  pid0=$!
  GTEST_SHARD_INDEX=1 timeout 600 "$e2e_test" --gtest_filter="$filter" >"$out1" 2>&1 &
  pid1=$!
  rc=0
  wait $pid0 || rc=1
  wait $pid1 || rc=1
  unset VAXO_E2E_WINE VAXO_E2E_WINEPREFIX GTEST_TOTAL_SHARDS
  # Failures in full, skips with their reasons.
  cat "$out0" "$out1" | awk '/^\[ RUN/ { buf = "" } { buf = buf $0 "\n" }
    /^\[  (FAILED|SKIPPED) +\] [A-Za-z]/ && /\(/ { printf "%s", buf }' | sed 's/^/   | /'
  summary=$(cat "$out0" "$out1" | awk '/^\[  PASSED  \]/ { p += $4 } /^\[  FAILED  \] [0-9]+ test/ { f += $4 }
    /^\[  SKIPPED \] [0-9]+ test/ { s += $4 } END { printf "%d passed, %d failed, %d skipped", p, f, s }')
  rm -f "$out0" "$out1"
  note "e2e win$arch: $summary"
  return $rc
}

# The forms on a virtual display; 32-bit only.
suite_gui() {
  dir=$1 arch=$2
  [ "$arch" = 32 ] || return 0
  out=$(mktemp)
  rc=0
  tests/wine/gui_test.sh "$dir/bin" "$WINEPREFIX" "$dir/gui-artefacts" >"$out" 2>&1 || rc=$?
  sed 's/^/   /' "$out"
  note "$(tail -n 1 "$out")"
  rm -f "$out"
  if [ $rc -eq 0 ] && [ $docs = yes ]; then
    mkdir -p docs
    cp "$dir/gui-artefacts/browse-form.png" "$dir/gui-artefacts/progress-form.png" docs/
    echo "   docs/browse-form.png, docs/progress-form.png updated"
  fi
  return $rc
}

run_suites() {
  dir=$1 arch=$2
  suites="suite_resources suite_env_probe suite_e2e"
  [ $gui = yes ] && [ "$arch" = 32 ] && suites="$suites suite_gui"
  for suite in $suites; do
    if [ "$arch" = 32 ] && [ -n "$wine32_missing" ] && [ $suite != suite_resources ]; then
      note "$suite win$arch: skipped, wine32:i386 could not be installed"
      skipped=$((skipped + 1))
      continue
    fi
    t=$(now)
    step "$suite win$arch"
    if $suite "$dir" "$arch"; then
      echo "   passed ($(since "$t"))"
      note "$suite win$arch: passed in $(since "$t")"
      passes=$((passes + 1))
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
echo "   total: $(since "$total_start")"
echo "$passes passed, $failures failed, $skipped skipped"
[ $failures -eq 0 ]
