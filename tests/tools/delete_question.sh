#!/bin/sh
# The delete question is drawn from inside its own loop and the tool still ends by itself,
# with a picture of the question alone, narrower than the main window behind it.
# Usage: delete_question.sh VESTREL_SHOT SCRATCH
set -eu
mkdir -p "$2"
picture=$2/delete.png
rm -f "$picture"
QT_QPA_PLATFORM=offscreen "$1" delete "$picture"
[ "$(head -c 8 "$picture" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
  { echo "$picture is not a PNG"; exit 1; }
width=$(od -An -j16 -N4 -tu1 "$picture" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 }')
[ "$width" -gt 0 ] && [ "$width" -lt 793 ] ||
  { echo "$picture is $width pixels wide, not the question"; exit 1; }
