#!/bin/sh
# Every C++ source of the tree is as Debian 12's clang-format (14) writes it with .clang-format.
# A version that formats differently would make a false difference, so no other is taken; where
# it is not installed the case is skipped. Usage: format.sh SOURCE_DIR [CLANG_FORMAT]
set -eu
cd "$1"
[ -n "${2:-}" ] || { echo "clang-format-14 is not installed"; exit 77; }
find . -path ./build -prune -o -path './build-*' -prune -o \
  \( -name '*.cpp' -o -name '*.h' \) -type f -print | sort | xargs "$2" --dry-run -Werror
