#!/bin/sh
# 1,000 polling passes with nothing changed, counted with strace between the program's two
# getppid() markers: none at all while the notice descriptor is watched, one non-blocking read
# of the monitor per look without the watch. Skipped (77) where strace cannot trace.
set -u
program=$1
command -v strace >/dev/null 2>&1 || exit 77
strace -qq -o /dev/null true 2>/dev/null || exit 77  # no ptrace here
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"  # LeakSanitizer cannot run under ptrace
log=$(mktemp)
trap 'rm -f "$log"' EXIT
between() {
  strace -f -qq -o "$log" "$program" 1000 "$@" >/dev/null
  ran=$?
  [ "$ran" -eq 0 ] || exit "$ran"  # 77: no udev here
  awk '/getppid\(/ { n++; next } n == 1 { c++ } END { if (n != 2) exit 1; print c + 0 }' "$log" ||
    { echo "no markers in the trace" >&2; exit 1; }
}
# The count of one run; a run that cannot be traced skips the test.
count() {
  result=$(between "$@")
  status=$?
  [ "$status" -ne 77 ] || exit 77
  [ "$status" -eq 0 ] || { echo "the passes failed (status $status)"; exit 1; }
}
count
watched=$result
count --no-watch
unwatched=$result
echo "system calls in 1,000 passes: watched $watched, unwatched $unwatched"
[ "$watched" -eq 0 ] || { echo "watched passes made system calls"; exit 1; }
[ "$unwatched" -gt 0 ] || { echo "unwatched passes never read the monitor"; exit 1; }
