#!/bin/sh
# Writes `vestrel-cli report` under one recorded phone and checks that every line of the
# .report file beside it (an extended regular expression each) matches a line of the report.
# Usage: report.sh VESTREL_CLI RECORDING.umockdev
set -eu
cli=$1
recording=$2
expected=${recording%.umockdev}.report
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
XDG_CONFIG_HOME=$work
export XDG_CONFIG_HOME
ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0
export ASAN_OPTIONS
umockdev-run -d "$recording" -- "$cli" -q report "$work/report.txt"
missing=0
while IFS= read -r pattern; do
  if ! grep -Eq -- "$pattern" "$work/report.txt"; then
    printf 'no line of the report matches: %s\n' "$pattern"
    missing=1
  fi
done < "$expected"
if [ "$missing" -ne 0 ]; then
  printf -- '--- the report:\n'
  cat "$work/report.txt"
fi
exit "$missing"
