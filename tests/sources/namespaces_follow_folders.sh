#!/bin/sh
# Each folder's code opens the namespace of its top folder (vestrel::backup in backup/ and
# backup/window/), nested ones below it allowed. The backends implement the platform's interfaces
# in vestrel::platform, or the interface of the folder whose header they include (the Windows
# SHA-256 is backup's); the virtual phone is vestrel::virtualphone, `virtual` being a keyword.
# Usage: namespaces_follow_folders.sh SOURCE_DIR
set -eu
cd "$1"
failed=0
for file in $(find app backup cli desktop mainwindow p2kapi phonefiles phonelink platform text tools \
                -type f \( -name '*.cpp' -o -name '*.h' \) | sort); do
  case "$file" in
    platform/virtual/*) expected=virtualphone ;;
    *) expected=${file%%/*} ;;
  esac
  # "vestrel" alone when a file opens the bare project namespace.
  for opened in $(sed -nE 's/^namespace (vestrel(::[A-Za-z0-9_]+)?)[^A-Za-z0-9_:].*/\1/p;
                           s/^namespace (vestrel(::[A-Za-z0-9_]+)?)::.*/\1/p' "$file" | sort -u); do
    opened=${opened#vestrel}
    opened=${opened#::}
    [ "$opened" = "$expected" ] && continue
    case "$file" in
      platform/linux/* | platform/win32/*)
        grep -q "^#include \"$opened/" "$file" && continue ;;
    esac
    echo "$file opens vestrel${opened:+::$opened}, its folder's namespace is vestrel::$expected"
    failed=1
  done
done
exit $failed
