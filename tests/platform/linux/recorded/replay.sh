#!/bin/sh
# Replays one recorded phone (a umockdev-record device file) under umockdev-run and checks that
# vestrel-cli lists it as the .devices file beside it says: mode, location, interface.
# Usage: replay.sh VESTREL_CLI RECORDING.umockdev
set -eu
cli=$1
recording=$2
expected=${recording%.umockdev}.devices
# The user's own phone table must not change what the built-in one finds.
XDG_CONFIG_HOME=$(mktemp -d)
export XDG_CONFIG_HOME
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT
# umockdev-run puts its preload first; the sanitizer's runtime then cannot be.
ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0
export ASAN_OPTIONS
listed=$(umockdev-run -d "$recording" -- "$cli" devices)
if [ "$listed" != "$(cat "$expected")" ]; then
  printf 'listed:\n%s\nexpected:\n%s\n' "$listed" "$(cat "$expected")"
  exit 1
fi
