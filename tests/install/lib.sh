# Shared by the install tests: arguments, a scratch folder, checks and program runs.
#   bash <test>.sh BUILD SOURCE
set -euo pipefail

build=$1
source_dir=$2
work=$(mktemp -d)
started=()

cleanup() {
  for pid in "${started[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# Runs a check up to 20 seconds until it succeeds.
wait_for() {
  local what=$1
  shift
  for _ in $(seq 200); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  fail "$what"
}

# The digests of every file below the named folders of a folder.
digests() {
  local folder=$1
  shift
  (cd "$folder" && find "$@" -type f -print0 | sort -z | xargs -0r sha256sum)
}

# The single-instance guard refuses a start while any process whose name contains the
# program's runs (another test's renamed copy, a developer's program): wait for them to end.
wait_for_no_other_copy() {
  for _ in $(seq 600); do
    if ! pgrep -i platoris >/dev/null; then return 0; fi
    sleep 0.2
  done
  fail "another copy of the program keeps running: $(pgrep -a -i platoris)"
}

# True once the process has its handler for SIGTERM (bit 15 of the caught signals).
catches_sigterm() {
  local mask
  mask=$(awk '/^SigCgt:/ { print $2 }' "/proc/$1/status" 2>/dev/null) || return 1
  [ -n "$mask" ] && (((16#$mask >> 14) & 1))
}

# Ends a started program as the desktop does (SIGTERM; its open dialogs count as
# cancelled) and checks that it ends normally with 0.
end_program() {
  local pid=$1 rc=0
  wait_for "the program never got ready to end" catches_sigterm "$pid"
  kill -TERM "$pid"
  wait "$pid" || rc=$?
  [ "$rc" -eq 0 ] || fail "the program ended with $rc"
}
