#!/usr/bin/env bash
# Runs one scenario of the command-line tool as a user would, in a fresh temporary folder.
# Usage: driver.sh VESTREL_CLI MEMORY_CHECK SCENARIO
# A scenario calls `run ARGS...` and then checks what the tool did with the expect_* helpers.
# VESTREL_CLI_RUNNER, when set, runs the tool (Wine for a Windows build, whose console writes
# CR LF line ends: the CRs are dropped before the checks).
set -u
CLI=$1
MEMORY_CHECK=$2
SCENARIO=$3

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK" || exit 1
PHONE="$WORK/phone"
export VESTREL_HOME="$WORK/home"
mkdir -p "$VESTREL_HOME/Profiles"
for loader in 0823.ldr 2526.ldr L6.ldr pds.ldr; do
  head -c 9000 /dev/zero | tr '\0' 'L' > "$VESTREL_HOME/Profiles/$loader"
done

# The Windows build (run through VESTREL_CLI_RUNNER) joins paths with a backslash and looks for
# "arch.exe".
if [ -n "${VESTREL_CLI_RUNNER:-}" ]; then
  HOST_SEPARATOR='\'
  ARCHIVER=arch.exe
else
  HOST_SEPARATOR=/
  ARCHIVER=arch
fi
# A path as the tool writes it: BASE as it was given, then RELATIVE's parts joined the host's way.
host_path() { printf '%s%s%s' "$1" "$HOST_SEPARATOR" "${2//\//$HOST_SEPARATOR}"; }

FAILURES=0
STATUS=0
OUT=""
ERR=""

invoke() {
  # shellcheck disable=SC2086
  ${VESTREL_CLI_RUNNER:-} "$CLI" "$@" > "$WORK/.out" 2> "$WORK/.err"
  STATUS=$?
  OUT=$(tr -d '\r' < "$WORK/.out")
  ERR=$(tr -d '\r' < "$WORK/.err")
}

# Runs the tool on the phone kept in $PHONE.
run() {
  invoke --virtual-phone="$PHONE" "$@"
}

# Runs the tool without any phone option.
run_bare() {
  invoke "$@"
}

# Runs the tool in the background on the phone kept in $PHONE, which holds at REQUEST (a line
# of the phone folder's "hold": p2k-read N, p2k-write N, flash-read N); once the phone holds,
# sends each of the SIGNALS (words, e.g. "INT" or "INT TERM") in turn, then releases the phone;
# a second signal is another one, as two of the same sent at once may arrive as one.
# Leaves STATUS, OUT and ERR as `run` does. The named pipes make both moments certain: reading
# "held" waits for the hold, opening "release" waits for the phone to wait on it.
# Usage: interrupt_at REQUEST SIGNALS ARGS...
interrupt_at() {
  local request=$1 signals=$2 pid held signal opener="" release
  shift 2
  echo "$request" > "$PHONE/hold"
  mkfifo "$PHONE/held" "$PHONE/release"
  # "<&0": a job started with "&" would read /dev/null instead of the caller's standard input.
  "$CLI" --virtual-phone="$PHONE" "$@" <&0 > "$WORK/.out" 2> "$WORK/.err" &
  pid=$!
  # Read and write, so that a run which ends before the hold does not leave the read waiting
  # for a writer; the time limit only ends a scenario that is already failing.
  exec {held}<> "$PHONE/held"
  if read -r -t 120 -u "$held" _; then
    for signal in $signals; do kill "-$signal" "$pid"; done
    # Opening "release" waits for the phone to open it too; a run that a second signal ended
    # never does, so the opener is let go by a reader of our own once the run is over.
    : > "$PHONE/release" &
    opener=$!
  else
    kill -KILL "$pid" 2> /dev/null
    fail "the phone never held at $request"
  fi
  exec {held}<&-
  wait "$pid"
  STATUS=$?
  if [ -n "$opener" ]; then
    exec {release}<> "$PHONE/release"
    wait "$opener"
    exec {release}<&-
  fi
  rm -f "$PHONE/hold" "$PHONE/held" "$PHONE/release"
  OUT=$(cat "$WORK/.out")
  ERR=$(cat "$WORK/.err")
}

fail() {
  echo "FAIL ($(basename "$SCENARIO")): $*"
  echo "  stdout: $OUT"
  echo "  stderr: $ERR"
  FAILURES=$((FAILURES + 1))
}

expect_status() { [ "$STATUS" -eq "$1" ] || fail "exit status $STATUS, wanted $1"; }
expect_out() { [ "$OUT" = "$1" ] || fail "stdout differs from: $1"; }
expect_out_has() { grep -qF -- "$1" <<< "$OUT" || fail "stdout lacks: $1"; }
expect_out_lacks() { ! grep -qF -- "$1" <<< "$OUT" || fail "stdout has: $1"; }
expect_err_has() { grep -qF -- "$1" <<< "$ERR" || fail "stderr lacks: $1"; }
expect_err_lines() {
  [ "$(printf '%s\n' "$ERR" | grep -c .)" -eq "$1" ] || fail "stderr is not $1 line(s)"
}
expect_same_file() { cmp -s "$1" "$2" || fail "$1 and $2 differ"; }
expect_no_file() { [ ! -e "$1" ] || fail "$1 should not exist"; }
# The file holds the phone's memory from START on, byte for byte.
expect_phone_memory() {
  ${VESTREL_CLI_RUNNER:-} "$MEMORY_CHECK" "$1" "$2" || fail "$1 does not hold the phone memory at $2"
}

# shellcheck source=/dev/null
source "$SCENARIO"

if [ "$FAILURES" -ne 0 ]; then
  echo "$FAILURES check(s) failed"
  exit 1
fi
echo "all checks passed"
