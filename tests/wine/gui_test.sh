#!/bin/sh
# Window tests of the Windows program under Wine on a virtual X display
# (Xvfb), driven with xdotool:
#   run_after_wrong_path  the path-settings form: a wrong path gives the
#                         message box, the right ones start the run
#   exit_ends_at_once     Exit ends the program at once, without a closing entry
#   close_between_files   closing the progress form while the value-transfer
#                         tool runs stops the run after the file (exit code 3)
#   stopped_after_form    a run started from the form that stops tells the
#                         person in a message box, and the event log
# Each test has a Wine prefix of its own (a hard-linked copy of the
# template) with the sample pair; screenshots go to the artefact folder.
#
#   tests/wine/gui_test.sh BIN_DIR TEMPLATE_PREFIX ARTEFACT_DIR
#
# BIN_DIR holds UpgradeVaxo.exe, ValXfer.exe, Vaxo_Value.dat and
# slow_tool.exe. Prints "ok"/"not ok" per test and "gui: N passed, M failed";
# exit code 0 when all passed.
#
# Lessons of Wine without a window manager:
# - HKCU\Software\Wine\X11 Driver Managed=N (set by scripts/wine-prefix.sh),
#   else every window that closes costs two seconds.
# - Keys go to the window under the pointer: move the pointer there first
#   (`key --window` is ignored). Ctrl+A does not select in Wine's edit box:
#   End, shift+Home, BackSpace. Never `keydown` alone (auto-repeat).
# - The message box carries the program's caption: it is told apart from
#   the progress form by its new window id.
# - `wineserver -k` when a test ends.
set -u

bin=$1 template=$2 artefacts=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$artefacts"

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset WAYLAND_DISPLAY

passed=0 failed=0
say() { echo "   $*"; }

# --- the display -------------------------------------------------------------

xvfb_log=$(mktemp)
Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp >"$xvfb_log" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 50); do
  [ -s "$xvfb_log" ] && break
  sleep 0.1
done
if [ ! -s "$xvfb_log" ]; then
  echo "   Xvfb did not start"
  kill "$xvfb_pid" 2>/dev/null
  echo "gui: 0 passed, 1 failed"
  exit 1
fi
DISPLAY=:$(head -n 1 "$xvfb_log")
export DISPLAY
rm -f "$xvfb_log"

# --- one test's prefix and pair ----------------------------------------------

case_dir=""
app_pid=""

setup() {
  case_dir=$(mktemp -d /tmp/vaxo_gui_XXXXXX)
  # The prefix lies beside the pair: Wine leaves its prefix out of every
  # directory listing, so a pair inside it could not be found by the form.
  # Own copies of what Wine writes in place; no entry naming the template's
  # server directory.
  mkdir "$case_dir/wine"
  cp -al "$template/." "$case_dir/wine/"
  (cd "$case_dir/wine" && rm -f wineserver .vaxo-ready ./*.reg .update-timestamp)
  cp "$template"/*.reg "$template/.update-timestamp" "$case_dir/wine/"
  cp -r "$root/sample/old" "$root/sample/new" "$case_dir/"
  rm -f "$case_dir/.gitattributes"
  mkdir "$case_dir/prog"
  cp "$bin/UpgradeVaxo.exe" "$bin/ValXfer.exe" "$bin/Vaxo_Value.dat" "$case_dir/prog/"
  export WINEPREFIX="$case_dir/wine"
}

teardown() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  wineserver -k >/dev/null 2>&1
  server=$(cat "$case_dir/wine/wineserver" 2>/dev/null)
  [ -n "$server" ] && rm -rf "/tmp/$server"
  rm -rf "$case_dir"
  app_pid="" case_dir=""
}

# Starts the program in the background; its exit code lands in rc.txt.
start_app() {
  (
    cd "$case_dir" || exit
    wine prog/UpgradeVaxo.exe "$@" </dev/null >out.txt 2>err.txt
    echo $? >rc.txt
  ) &
  app_pid=$!
}

# Waits up to $1 seconds for the program's end; prints its exit code.
wait_app() {
  for _ in $(seq $(($1 * 10))); do
    if [ -s "$case_dir/rc.txt" ]; then
      cat "$case_dir/rc.txt"
      return 0
    fi
    sleep 0.1
  done
  echo "timeout"
}

# The visible windows whose title matches $1, one id a line.
windows() { xdotool search --onlyvisible --name "$1" 2>/dev/null | sort; }

# Waits up to $2 seconds for a visible window titled $1 that is not among
# the ids in $3; prints its id.
wait_window() {
  for _ in $(seq $(($2 * 10))); do
    for w in $(windows "$1"); do
      case " ${3:-} " in *" $w "*) ;; *) echo "$w"; return 0 ;; esac
    done
    sleep 0.1
  done
  return 1
}

# Client-area point of a form, from twips (96 DPI, Wine's default: 15
# twips a pixel): the window's border and caption come from its size.
# click_at WINDOW CLIENT_WIDTH_TWIPS CLIENT_HEIGHT_TWIPS X_TWIPS Y_TWIPS
click_at() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  border=$(( (WIDTH - $2 / 15) / 2 ))
  top=$(( HEIGHT - $3 / 15 - border ))
  xdotool mousemove --window "$1" $((border + $4 / 15)) $((top + $5 / 15)) click 1
  sleep 0.2
}

# Replaces the text of the focused edit box.
retype() {
  xdotool key End shift+Home BackSpace
  xdotool type --delay 5 "$1"
  sleep 0.2
}

shot() { import -window "$1" "$artefacts/$2" 2>/dev/null || say "no screenshot $2"; }

# A host path in its Z:\ form, and a text in upper case (printf, since
# dash's echo reads backslashes).
zpath() { printf 'Z:%s' "$1" | tr / "\\"; }
upper() { printf '%s' "$1" | tr '[:lower:]' '[:upper:]'; }

log_of() { tr -d '\r' <"$case_dir/wine/drive_c/Upgrade_vaxo.log"; }

check() {
  if [ "$1" = "$2" ]; then return 0; fi
  say "$3: got '$1', want '$2'"
  return 1
}

result() {
  if [ "$1" -eq 0 ]; then
    passed=$((passed + 1))
    echo "ok - $2"
  else
    failed=$((failed + 1))
    echo "not ok - $2"
    import -window root "$artefacts/failed-${2%% *}.png" 2>/dev/null
    [ -n "$case_dir" ] && sed 's/^/   stderr: /' "$case_dir/err.txt" 2>/dev/null
  fi
}

# The form's geometry in twips: client area, text boxes, buttons (centres).
W=8130 H=2685
SRC_X=$((120 + 1320 + 4575 / 2)) SRC_Y=$((120 + 360 + 285 / 2))
DEST_X=$SRC_X DEST_Y=$((120 + 960 + 285 / 2))
EXIT_X=$((4920 + 1215 / 2)) RUN_X=$((6600 + 1215 / 2)) BUTTON_Y=$((1920 + 495 / 2))

# --- the tests ----------------------------------------------------------------

test_run_after_wrong_path() {
  setup
  start_app
  browse=$(wait_window '^Browse$' 30) || { say "no Browse window"; return 1; }
  sleep 0.3
  shot "$browse" browse-form.png
  before=$(windows '^Upgrade Vaxo$' | tr '\n' ' ')
  old=$(zpath "$case_dir/old") new=$(zpath "$case_dir/new")

  click_at "$browse" $W $H $SRC_X $SRC_Y
  retype "$old\\NO_SUCH_FOLDER"
  click_at "$browse" $W $H $DEST_X $DEST_Y
  retype "$new"
  click_at "$browse" $W $H $RUN_X $BUTTON_Y
  box=$(wait_window '^Upgrade Vaxo$' 10 "$before") || { say "no message box"; return 1; }
  sleep 0.3
  shot "$box" message-box.png
  xdotool mousemove --window "$box" 20 20
  xdotool key Return
  sleep 0.5
  if windows '^Upgrade Vaxo$' | grep -qx "$box"; then say "message box still open"; return 1; fi
  [ -s "$case_dir/rc.txt" ] && { say "program ended after the wrong path"; return 1; }

  click_at "$browse" $W $H $SRC_X $SRC_Y
  retype "$old"
  click_at "$browse" $W $H $RUN_X $BUTTON_Y
  rc=$(wait_app 30)
  ok=0
  check "$rc" 2 "exit code" || ok=1
  log=$(log_of)
  printf '%s\n' "$log" | grep -qxF "    1. commandolineargument: $(upper "$old")" ||
    { say "log lacks the source from the form"; ok=1; }
  printf '%s\n' "$log" | grep -qxF -- "-- ENDE  (ExitCode=2) --" || { say "log lacks the closing entry"; ok=1; }
  grep -q "OPT_CONVEYOR=1" "$case_dir/new/ROBOTER/ZEL/STEU/VAXO/\$option.dat" ||
    { say "\$option.dat not upgraded"; ok=1; }
  return $ok
}

test_exit_ends_at_once() {
  setup
  start_app
  browse=$(wait_window '^Browse$' 30) || { say "no Browse window"; return 1; }
  sleep 0.3
  t0=$(date +%s%N)
  click_at "$browse" $W $H $EXIT_X $BUTTON_Y
  rc=$(wait_app 10)
  ms=$(( ($(date +%s%N) - t0) / 1000000 ))
  say "ended ${ms} ms after the click"
  ok=0
  check "$rc" 0 "exit code" || ok=1
  [ "$ms" -lt 1500 ] || { say "took ${ms} ms"; ok=1; }
  last=$(log_of | tail -n 1)
  check "$last" "    user define input pfade (Quelle, Destination)" "last log line" || ok=1
  return $ok
}

test_close_between_files() {
  setup
  # The value-transfer tool waits three seconds a run: time to close the form
  # while the robot's $MACHINE.DAT is under way.
  cp "$bin/slow_tool.exe" "$case_dir/prog/ValXfer.exe"
  before_axis=$(cat "$case_dir/new/ROBOTER/ZEL/R1/VAXO/axis1.servo")
  old=$(zpath "$case_dir/old") new=$(zpath "$case_dir/new")
  start_app "$old|$new"
  form=$(wait_window '^Upgrade Vaxo$' 30) || { say "no progress form"; return 1; }
  # Wait for the shift (the tool is running) before looking.
  for _ in $(seq 100); do
    grep -q "shift differend" "$case_dir/wine/drive_c/Upgrade_vaxo.log" 2>/dev/null && break
    sleep 0.1
  done
  sleep 0.5
  shot "$form" progress-form.png
  xdotool mousemove --window "$form" 30 30
  xdotool key alt+F4
  rc=$(wait_app 30)
  ok=0
  check "$rc" 3 "exit code" || ok=1
  log=$(log_of)
  r1="$(upper "$new")\\ROBOTER\\ZEL\\R1\\VAXO"
  tail2=$(printf '%s\n' "$log" | tail -n 2)
  want="    new file be writed ( $r1\\\$MACHINE.DAT )
!!! Run stopped: the progress form was closed by the user !!!"
  check "$tail2" "$want" "end of the log" || ok=1
  check "$(cat "$case_dir/new/ROBOTER/ZEL/R1/VAXO/axis1.servo")" "$before_axis" "axis1.servo" || ok=1
  return $ok
}

test_stopped_after_form() {
  setup
  # Without the value template the shift cannot start: the run stops.
  rm "$case_dir/prog/Vaxo_Value.dat"
  export WINEDEBUG=-all,err+eventlog
  start_app
  export WINEDEBUG=-all
  browse=$(wait_window '^Browse$' 30) || { say "no Browse window"; return 1; }
  sleep 0.3
  click_at "$browse" $W $H $SRC_X $SRC_Y
  retype "$(zpath "$case_dir/old")"
  click_at "$browse" $W $H $DEST_X $DEST_Y
  retype "$(zpath "$case_dir/new")"
  form=$(wait_window '^Upgrade Vaxo$' 10) || { say "no progress form"; return 1; }
  click_at "$browse" $W $H $RUN_X $BUTTON_Y
  box=$(wait_window '^Upgrade Vaxo$' 30 "$form") || { say "no message box"; return 1; }
  sleep 0.5
  shot "$box" stopped-box.png
  ok=0
  [ -s "$case_dir/rc.txt" ] && { say "the program ended before the box was read"; ok=1; }
  xdotool mousemove --window "$box" 20 20
  xdotool key Return
  rc=$(wait_app 30)
  check "$rc" 3 "exit code" || ok=1
  why="Run stopped: copy $(zpath "$case_dir/prog")\\Vaxo_Value.dat: "
  log_of | tail -n 1 | grep -qF "!!! $why" || { say "log lacks the stop: $(log_of | tail -n 1)"; ok=1; }
  grep -qF ":err:eventlog:ReportEventW L\"Run stopped: copy " "$case_dir/err.txt" ||
    { say "no event log entry"; ok=1; }
  return $ok
}

for t in ${VAXO_GUI_TESTS:-run_after_wrong_path exit_ends_at_once close_between_files stopped_after_form}; do
  start=$(date +%s)
  "test_$t"
  result $? "$t ($(($(date +%s) - start)) s)"
  teardown
done

kill "$xvfb_pid" 2>/dev/null
wait "$xvfb_pid" 2>/dev/null
echo "gui: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
