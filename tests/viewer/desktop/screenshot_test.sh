#!/usr/bin/env bash
# The real program on an Xvfb screen with the sample document: its window,
# the thumbnails panel and the first page, captured to a PNG that is kept in
# the build folder for a person to look at.
# Usage: screenshot_test.sh KWENVIEW KWENTOOL SAMPLE_PAGES OUT.png
set -u
viewer=$1
tool=$2
pages=$3
out=$4
here=$(cd "$(dirname "$0")" && pwd)

# Run again on the Xvfb screen (as: screenshot_test.sh ... --capture DOC):
# the window comes up, the pages are built, the screen is captured and the
# program closed.
if [ "${5:-}" = --capture ]; then
  XDG_CONFIG_HOME="$(dirname "$6")/config" "$viewer" "$6" &
  program=$!
  window=$(timeout 20 xdotool search --sync --onlyvisible --name 'sample.kwen' | head -n 1)
  # The first page and the thumbnails are built in the background.
  [ -n "$window" ] && sleep 3 && import -window root "$out"
  kill "$program"
  wait "$program" 2>/dev/null
  exit 0
fi

source "$here/../../shell_checks.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$tool" build -o "$work/sample.kwen" "$pages/text-1.png" "$pages/text-2.png" "$pages/colour.png" 2>/dev/null
check "the sample is built" test -s "$work/sample.kwen"

rm -f "$out"
timeout 60 xvfb-run -a -s "-screen 0 1100x850x24" bash "$0" "$@" --capture "$work/sample.kwen"
check "the screen is captured" test -s "$out"

# What a page of text looks like: a light picture with dark strokes, not an
# empty or one-coloured window.
mean=$(convert "$out" -colorspace Gray -format '%[fx:mean]' info:)
spread=$(convert "$out" -colorspace Gray -format '%[fx:standard_deviation]' info:)
check "the window shows light pages ($mean)" awk -v m="$mean" 'BEGIN { exit !(m > 0.5 && m < 0.98) }'
check "the window shows text and the panel ($spread)" awk -v s="$spread" 'BEGIN { exit !(s > 0.1) }'
finish screenshot_test
