#!/bin/sh
# The installed udev rules are what vestrel-udev-rules makes from the built-in phone table: a
# new table row with stale rules would leave that phone to root alone.
# Usage: udev_rules_drift.sh VESTREL_UDEV_RULES COMMITTED_RULES
set -eu
empty=$(mktemp -d)
trap 'rm -rf "$empty"' EXIT
# The user's own table additions belong to the user's machine, not to the shipped rules.
made="$empty/made.rules"
HOME="$empty" XDG_CONFIG_HOME="$empty" "$1" > "$made"
if ! diff -u "$2" "$made"; then
  echo "$2 differs from what $1 makes; regenerate it with: $1 > $2"
  exit 1
fi
