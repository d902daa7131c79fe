#!/usr/bin/env bash
# The real program on an Xvfb screen searching a document with text: Ctrl+F,
# "needle" typed, the places found marked on the page (the current one
# orange, the others yellow) and the search bar's count, captured to a PNG
# that is kept in the build folder for a person to look at.
# Usage: search_screenshot_test.sh KWENVIEW MAKE_READER_DOCUMENTS OUT.png
set -u
viewer=$1
make_documents=$2
out=$3
here=$(cd "$(dirname "$0")" && pwd)

# Run again on the Xvfb screen (as: search_screenshot_test.sh ... --capture DOC).
if [ "${4:-}" = --capture ]; then
  XDG_CONFIG_HOME="$(dirname "$5")/config" "$viewer" "$5" &
  program=$!
  window=$(timeout 20 xdotool search --sync --onlyvisible --name 'words.kwen' | head -n 1)
  if [ -n "$window" ]; then
    # The first pages and the text are read in the background.
    sleep 2
    xdotool windowfocus --sync "$window" key ctrl+f
    xdotool type --delay 50 needle
    xdotool key F3
    sleep 1
    import -window root "$out"
    xdotool getwindowname "$window" >"$(dirname "$5")/title.txt"
  fi
  kill "$program"
  wait "$program" 2>/dev/null
  exit 0
fi

source "$here/../../shell_checks.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$make_documents" "$work"
check "the document is made" test -s "$work/words.kwen"

rm -f "$out"
timeout 60 xvfb-run -a -s "-screen 0 1100x850x24" bash "$0" "$@" --capture "$work/words.kwen"
check "the screen is captured" test -s "$out"
check "the window's title holds the document's" same "$(cat "$work/title.txt")" "A Book of Shapes - words.kwen - kwenview"

# Pixels of a mark over the white page: yellow for the places found, orange
# for the current one.
count_colour() {
  convert "$out" -alpha off -fuzz 4% -fill black +opaque "$1" -fill white -opaque "$1" -colorspace Gray \
    -format '%[fx:round(mean*w*h)]' info:
}
yellow=$(count_colour 'rgb(255,234,125)')
orange=$(count_colour 'rgb(255,170,105)')
check "the places found are marked yellow ($yellow pixels)" test "$yellow" -gt 50
check "the current place is marked orange ($orange pixels)" test "$orange" -gt 50
finish search_screenshot_test
