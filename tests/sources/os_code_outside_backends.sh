#!/bin/sh
# OS code stands only in the backends (platform/linux, platform/win32): no other source of the
# programs includes an OS header or a backend header, tests for _WIN32, or names a type a
# backend declares. Tests and benchmarks, which drive a backend on purpose, are not checked.
# Usage: os_code_outside_backends.sh SOURCE_DIR
set -eu
cd "$1"
sources=$(find app backup cli desktop fuzz mainwindow p2kapi phonefiles phonelink platform text tools \
  \( -path platform/linux -o -path platform/win32 \) -prune -o \
  \( -name '*.cpp' -o -name '*.h' -o -name '*.in' \) -type f -print | sort)
failed=0
report() {
  echo "$1:"
  echo "$2" | sed 's/^/  /'
  failed=1
}

found=$(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(windows|winusb|setupapi|dbt|cfgmgr32|io|unistd|fcntl|termios|poll|dlfcn|pthread|libusb|libudev|linux/[^>]*|sys/[^>]*)\.h>' $sources || true)
[ -z "$found" ] || report "OS headers outside the backends" "$found"

found=$(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"platform/(linux|win32)/' $sources || true)
[ -z "$found" ] || report "backend headers outside the backends" "$found"

found=$(grep -nE '\b_WIN32\b' $sources || true)
[ -z "$found" ] || report "_WIN32 outside the backends" "$found"

types=$(sed -nE 's/^(class|struct)[[:space:]]+([A-Za-z_][A-Za-z0-9_]*)[[:space:]]*(final)?[[:space:]]*[:{].*/\2/p' \
  platform/linux/*.h platform/win32/*.h | sort -u)
for type in $types; do
  found=$(grep -nwE "$type" $sources || true)
  [ -z "$found" ] || report "the backend type $type outside the backends" "$found"
done
exit $failed
