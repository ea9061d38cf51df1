#!/bin/sh
# Both programs print one version, the one the installed metainfo's release carries.
# Usage: one_version.sh VESTREL VESTREL_CLI METAINFO
set -eu
program=$("$1" --version)
tool=$("$2" --version)
release=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$3")
[ -n "$release" ] || { echo "no release version in $3"; exit 1; }
[ "$program" = "vestrel $release" ] || { echo "vestrel says '$program', metainfo $release"; exit 1; }
[ "$tool" = "vestrel-cli $release" ] || { echo "vestrel-cli says '$tool', metainfo $release"; exit 1; }
