# Package installs that survive a registry caught mid-sync; sourced by the
# install scripts (POSIX sh).
#
# A mirror that is being synced serves the index of one suite or one
# architecture with the wrong size: `apt-get update` then fails although
# every package can still be installed from the lists it did fetch. And
# with the security suite's lists newer than the main suite's for one
# architecture only, multi-arch packages (the 32-bit Wine) cannot get
# equal versions: `-t <release>` resolves them from the main release.
#
#   apt_update            runs `apt-get update` once; a failure is one line
#   apt_install PKG ...   installs; on failure tries once more with the
#                         release as target; returns 1 when that fails too
#   apt_error             apt's last error line of the last failed call

apt_updated=no
apt_error=""

apt_say() { echo "${apt_who:-install}: $*" >&2; }

# apt's last error line ("E: ..."), or its last line when none says E:.
apt_last_error() {
  line=$(grep '^E: ' "$1" | tail -n 1)
  [ -n "$line" ] || line=$(grep -v '^[[:space:]]*$' "$1" | tail -n 1)
  printf '%s' "$line" | tr -d '\r'
}

apt_update() {
  [ "$apt_updated" = yes ] && return 0
  apt_updated=yes
  apt_out=$(mktemp)
  if ! apt-get update -qq >"$apt_out" 2>&1; then
    apt_say "package lists partly out of date: $(apt_last_error "$apt_out")"
  fi
  rm -f "$apt_out"
  return 0
}

apt_release() {
  (. /etc/os-release 2>/dev/null && printf '%s' "${VERSION_CODENAME:-}")
}

apt_install() {
  export DEBIAN_FRONTEND=noninteractive
  apt_update
  apt_out=$(mktemp)
  if apt-get install -y -q --no-install-recommends "$@" >"$apt_out" 2>&1; then
    rm -f "$apt_out"
    return 0
  fi
  apt_error=$(apt_last_error "$apt_out")
  release=$(apt_release)
  if [ -n "$release" ]; then
    apt_say "apt-get install failed ($apt_error); trying again with -t $release"
    if apt-get install -y -q --no-install-recommends -t "$release" "$@" >"$apt_out" 2>&1; then
      rm -f "$apt_out"
      apt_error=""
      return 0
    fi
    apt_error=$(apt_last_error "$apt_out")
  fi
  rm -f "$apt_out"
  apt_say "could not install $*: $apt_error"
  return 1
}
