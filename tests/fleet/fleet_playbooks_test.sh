#!/usr/bin/env bash
# The fleet playbooks on five local hosts (ansible_connection: local), each
# with its own generated installation pair, drive C (vaxo_env) and program
# folder, whose runs end with 2, 0, 1 (a variable lost), 0 (an upg-file
# missing: CHECK) and 3 (stopped: two installations whose names differ only in
# case).
# - Check mode changes nothing on any host, and `vaxo fleet` over what it
#   fetched foretells each run's exit code.
# - The play, in waves (a canary, then the rest), gives each host what a
#   direct run of the program gives: its files, its exit code, its log past
#   the header; the stopped host is failed in the recap and NOT COMPLETE.
# - fleet/rollback.yml gives every host its installations back.
# - ansible-lint is clean on fleet/, and the playbooks pass the syntax check
#   with the example inventory (its Windows group included).
#   tests/fleet/fleet_playbooks_test.sh BUILD_DIR [--update-docs]
# --update-docs writes docs/fleet-page.png and prints the fleet's summary.
# Exit 77 (skipped) only when Ansible or ansible-lint is not installed.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)
build=$(cd "$1" && pwd)
docs=${2:-}

for tool in ansible-playbook ansible-lint; do
  if ! command -v $tool >/dev/null; then
    echo "SKIPPED: $tool is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
done

scratch=$(mktemp -d /tmp/vaxo_fleet.XXXXXX)
trap '[ -n "${KEEP:-}" ] || rm -rf "$scratch"' EXIT
fail() {
  echo "FAILED: $*"
  exit 1
}
export ANSIBLE_LOCAL_TEMP="$scratch/ansible/local" ANSIBLE_REMOTE_TEMP="$scratch/ansible/remote"
export ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_FORKS=5

hosts=(robot01 robot02 robot03 robot04 robot05)
declare -A kind=([robot01]=sample [robot02]=clean [robot03]=lost [robot04]=no-upg [robot05]=twin)

# A host's installation pair, drive C and program folder, generated from
# the bundled sample: its own values, and upg-files that give its exit code.
make_host() {
  local h=$1 n=${1#robot} dir="$scratch/hosts/$1"
  rm -rf "$dir"
  mkdir -p "$dir/drive_c/zel/roboter/log" "$dir/prog"
  cp -r sample/old sample/new "$dir/"
  sed -i "s/^\$PAYLOAD=60.0/\$PAYLOAD=6$n.5/; s/^\$TOOL_OFFSET\[2\]=125.5/\$TOOL_OFFSET[2]=1$n.0/" \
    "$dir/old/ZEL/R1/VAXO/\$machine.dat"
  sed -i "s/^\$TIMER_TICK=12/\$TIMER_TICK=1$n/" "$dir/old/ZEL/STEU/VAXO/\$machine.dat"
  local upg="$dir/new/ROBOTER/ZEL"
  case ${kind[$h]} in
    clean | lost | no-upg)
      # Every rule finds its variable or has a default; the config file gets
      # its upg-file.
      sed -i 's/^\$SAFETY_LEVEL=\r\?$/$SAFETY_LEVEL=3\r/; /^\$GHOST_VAR=/d' "$upg/STEU/VAXO/machine.upg"
      [ "${kind[$h]}" = lost ] || sed -i '/^\$OLD_FEATURE=/d' "$upg/STEU/VAXO/machine.upg"
      sed -i 's/^\$OPT_WELDING=\r\?$/$OPT_WELDING=1\r/' "$upg/STEU/VAXO/option.upg"
      sed -i 's/^\$BRAKE_TEST=\r\?$/$BRAKE_TEST=FALSE\r/' "$upg/R1/VAXO/machine.upg"
      [ "${kind[$h]}" = no-upg ] || printf '$HOME_POS=\r\n$SPEED_LIMIT=\r\n' >"$upg/R1/VAXO/config.upg"
      ;;
    twin) cp -r "$dir/new" "$dir/NEW" ;;
  esac
  cp "$build/bin/upgrade_vaxo" "$build/bin/vaxo" "$build/bin/ValXfer.exe" "$build/bin/Vaxo_Value.dat" \
    "$dir/prog/"
}
expected_code() {
  case ${kind[$1]} in sample) echo 2 ;; clean | no-upg) echo 0 ;; lost) echo 1 ;; twin) echo 3 ;; esac
}

# Every entry of a host's installations with its bytes, permissions and
# hidden and system bits; with `times`, every entry of the host's folder with
# its time of change too.
state() {
  (
    cd "$1"
    if [ "${2:-}" = times ]; then
      set -- .
      find . -printf '%p %y %m %T@\n' | sort
    else
      set -- $(ls -d old new NEW 2>/dev/null)
      find "$@" -printf '%p %y %m\n' | sort
    fi
    find "$@" -type f -exec sha256sum {} + | sort -k2
    find "$@" -print0 | sort -z | xargs -0 getfattr -h -d -m user. 2>/dev/null
  )
}
log_of() { tail -n +2 "$scratch/hosts/$1/drive_c/zel/roboter/log/Upgrade_vaxo.log"; }

# What a direct run of the program gives each host.
declare -A direct_code
for h in "${hosts[@]}"; do
  make_host "$h"
  d="$scratch/hosts/$h"
  code=0
  VAXO_DRIVE_C="$d/drive_c" "$d/prog/upgrade_vaxo" "$d/old|$d/new" </dev/null >/dev/null 2>&1 || code=$?
  [ "$code" = "$(expected_code "$h")" ] || fail "$h: the direct run ended with $code, not $(expected_code "$h")"
  direct_code[$h]=$code
  state "$d" >"$scratch/$h.direct-state"
  log_of "$h" >"$scratch/$h.direct-log"
  make_host "$h"
  state "$d" >"$scratch/$h.pristine"
  state "$d" times >"$scratch/$h.pristine-times"
done

inventory="$scratch/inventory.yml"
{
  echo "all:"
  echo "  vars:"
  echo "    ansible_connection: local"
  echo "    ansible_python_interpreter: $(command -v python3)"
  echo "    vaxo_reports: $scratch/reports"
  echo "  hosts:"
  for h in "${hosts[@]}"; do
    d="$scratch/hosts/$h"
    echo "    $h:"
    echo "      vaxo_old: $d/old"
    echo "      vaxo_new: $d/new"
    echo "      vaxo_bin: $d/prog"
    echo "      vaxo_env: {VAXO_DRIVE_C: $d/drive_c}"
  done
} >"$inventory"

play() {
  local name=$1
  shift
  local code=0
  ansible-playbook -i "$inventory" "$@" >"$scratch/$name.out" 2>&1 || code=$?
  echo "$code"
}
# A host's line of the play recap: "failed=N".
recap_failed() { grep -E "^$2 +:" "$scratch/$1.out" | grep -o 'failed=[0-9]*'; }
# Field of every host in `vaxo fleet`'s JSON, "host=value" a line.
fleet_field() {
  python3 -c 'import json, sys
for h in sorted(json.load(open(sys.argv[1]))["hosts"], key=lambda h: h["host"]):
    print(h["host"] + "=" + json.dumps(h[sys.argv[2]]))' "$1" "$2"
}
expect_codes() {
  local want=""
  for h in "${hosts[@]}"; do want+="$h=${direct_code[$h]}"$'\n'; done
  [ "$(fleet_field "$1" exit_code)" = "${want%$'\n'}" ] ||
    fail "$2: exit codes $(fleet_field "$1" exit_code | tr '\n' ' '), the direct runs' ${want//$'\n'/ }"
}

# Check mode: the preview on every host, nothing changed.
code=$(play check --check "$repo/fleet/upgrade.yml")
[ "$code" = 2 ] || fail "check mode: ansible-playbook ended with $code, not 2: $(tail -20 "$scratch/check.out")"
for h in "${hosts[@]}"; do
  cmp -s "$scratch/$h.pristine-times" <(state "$scratch/hosts/$h" times) ||
    fail "check mode changed $h: $(diff "$scratch/$h.pristine-times" <(state "$scratch/hosts/$h" times) | head -5)"
  want="failed=0"
  [ "$h" = robot05 ] && want="failed=1"
  [ "$(recap_failed check "$h")" = "$want" ] || fail "check mode: $h has $(recap_failed check "$h") in the recap"
done
code=0
"$build/bin/vaxo" fleet "$scratch/reports" --json "$scratch/check.json" >"$scratch/check.summary" || code=$?
[ "$code" = 1 ] || fail "vaxo fleet after check mode ended with $code"
expect_codes "$scratch/check.json" "check mode"
[ "$(fleet_field "$scratch/check.json" preview | cut -d= -f2 | sort -u)" = true ] ||
  fail "check mode fetched a report that is no preview"

# The run, a canary first and then the rest.
code=$(play run -e '{"vaxo_serial": [1, "100%"]}' "$repo/fleet/upgrade.yml")
[ "$code" = 2 ] || fail "the play ended with $code, not 2: $(tail -20 "$scratch/run.out")"
[ "$(grep -c '^PLAY \[' "$scratch/run.out")" = 2 ] || fail "the play did not run in two waves"
for h in "${hosts[@]}"; do
  d="$scratch/hosts/$h"
  cmp -s "$scratch/$h.direct-state" <(state "$d") ||
    fail "$h: the play left other files than a direct run: $(diff "$scratch/$h.direct-state" <(state "$d") | head -5)"
  cmp -s "$scratch/$h.direct-log" <(log_of "$h") ||
    fail "$h: the play's log differs from a direct run's: $(diff "$scratch/$h.direct-log" <(log_of "$h") | head -5)"
  for f in Upgrade_vaxo.json Upgrade_vaxo.html Upgrade_vaxo.log; do
    cmp -s "$d/drive_c/zel/roboter/log/$f" "$scratch/reports/$h/$f" || fail "$h: $f not fetched as it is"
  done
  want="failed=0"
  [ "$h" = robot05 ] && want="failed=1"
  [ "$(recap_failed run "$h")" = "$want" ] || fail "the play: $h has $(recap_failed run "$h") in the recap"
done
code=0
"$build/bin/vaxo" fleet "$scratch/reports" --json "$scratch/run.json" --html "$scratch/reports/fleet.html" \
  >"$scratch/run.summary" || code=$?
[ "$code" = 1 ] || fail "vaxo fleet after the play ended with $code"
expect_codes "$scratch/run.json" "the play"
[ "$(fleet_field "$scratch/run.json" verdict | grep robot05)" = 'robot05="NOT COMPLETE"' ] ||
  fail "the stopped host is not NOT COMPLETE: $(cat "$scratch/run.summary")"
[ "$(fleet_field "$scratch/run.json" preview | cut -d= -f2 | sort -u)" = false ] ||
  fail "the play fetched a preview's report"

# The fleet rollback: every host gets its installations back.
code=$(play rollback "$repo/fleet/rollback.yml")
[ "$code" = 0 ] || fail "the rollback ended with $code: $(tail -20 "$scratch/rollback.out")"
for h in "${hosts[@]}"; do
  cmp -s "$scratch/$h.pristine" <(state "$scratch/hosts/$h") ||
    fail "$h: not given back: $(diff "$scratch/$h.pristine" <(state "$scratch/hosts/$h") | head -5)"
  [ -s "$scratch/reports/$h/Upgrade_vaxo.rollback.txt" ] || fail "$h: what the rollback printed was not kept"
done

# The playbooks as written.
ansible-lint --offline -c fleet/.ansible-lint fleet/ >"$scratch/lint.out" 2>&1 || fail "ansible-lint: $(cat "$scratch/lint.out")"
ansible-playbook -i fleet/inventory.example.yml --syntax-check fleet/upgrade.yml fleet/rollback.yml \
  >"$scratch/syntax.out" 2>&1 || fail "syntax check: $(cat "$scratch/syntax.out")"

if [ "$docs" = --update-docs ]; then
  profile=$(mktemp -d "$scratch/profile.XXXXXX")
  chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" --window-size=1000,320 --screenshot="$repo/docs/fleet-page.png" \
    "file://$scratch/reports/fleet.html" >/dev/null 2>&1
  echo "docs/fleet-page.png updated; the summary:"
  cat "$scratch/run.summary"
fi
echo "fleet: check mode foretold $(fleet_field "$scratch/run.json" exit_code | tr '\n' ' ')and changed nothing;" \
  "the play gave what direct runs give; the rollback gave every host back"
