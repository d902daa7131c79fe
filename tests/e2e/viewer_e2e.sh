#!/usr/bin/env bash
# The real viewer under Wine, driven by viewer_driver: documents named on the
# command line and opened from the menu, two viewers of documents of one name
# at once, every key and button, the dialogs and boxes, export, plain BMP
# files and each failure, after which neither the unpacking child nor its
# file is left.
# Usage: viewer_e2e.sh DRIVER.exe KWENVIEW.exe DURMO.exe SILENT_UTILITY.exe
#        KWENTOOL MAKE_DOCUMENTS   (the last two native). Runs on $DISPLAY, or on an Xvfb
# screen of its own when there is none.
set -u
driver=$(realpath "$1")
viewer=$(realpath "$2")
durmo=$(realpath "$3")
silent_utility=$(realpath "$4")
kwentool=$(realpath "$5")
make_documents=$(realpath "$6")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  if [ -n "${E2E_KEEP:-}" ]; then echo "kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
cd "$work" || exit 1
source "$here/../shell_checks.sh"
export WINEDEBUG=-all

if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 110); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    break
  done
  sleep 1
fi

# Windows paths of the files here. The viewers' temporary directory is one
# of this run's own.
win() { printf 'Z:%s' "${1//\//\\}"; }
temp_unix=$work/temp
mkdir "$temp_unix"
temp() { win "$temp_unix/$1"; }
# The unpacked files of a document, whatever viewer unpacks it.
unpacked() { temp "$1.*.bs"; }
# The FNV-1a hash of a text in eight hex digits, as in an unpacked file's name.
fnv1a() {
  local text=$1 hash=2166136261 i
  for ((i = 0; i < ${#text}; i++)); do
    hash=$(((hash ^ $(LC_ALL=C printf '%d' "'${text:i:1}")) * 16777619 & 0xFFFFFFFF))
  done
  printf '%08x' "$hash"
}

# The programs as they ship, side by side, and the viewer alone.
mkdir kit alone silent
cp "$viewer" "$durmo" kit/
cp "$viewer" alone/
cp "$viewer" silent/
cp "$silent_utility" silent/durmo.exe
"$make_documents" "$work" || exit 1
wine "$durmo" x long.kwen long.bs >/dev/null 2>&1
long_size=$(wc -c <long.bs)

# scenario NAME VIEWER: runs the steps on standard input.
scenario() {
  local name=$1 exe=$2
  cat >"$name.steps"
  local status attempt
  # The driver always ends with a verdict line; without one, Wine itself
  # failed to start it (seen once on a fresh prefix), and it is run again.
  for attempt in 1 2; do
    wine "$driver" "$(win "$exe")" "$name.steps" "$(win "$temp_unix")" >"$name.log" 2>"$name.err"
    status=$?
    tr -d '\r' <"$name.log" >"$name.out"
    grep -qE '^(step [0-9]+ failed|[0-9]+ steps passed)' "$name.out" && break
    echo "  $name: no verdict from the driver (status $status), attempt $attempt"
    tail -n 5 "$name.err" | sed 's/^/    /'
  done
  check "$name" test "$status" -eq 0
  [ "$status" -eq 0 ] || grep -v '^captured' "$name.out" | sed 's/^/  /'
}
kit=$work/kit/kwenview.exe
# Keys pressed while a modifier is held: hold MODIFIER KEY...
hold() { printf 'down %s\n' "$1"; printf 'key %s\n' "${@:2}"; printf 'up %s' "$1"; }

# Pixels of a capture against page rows of a rendering at 1:1.
render() { "$kwentool" render "$1" "$2" "$3" >/dev/null; }
same_rows() {  # same_rows CAPTURE RENDERED TOP
  local size
  size=$(identify -format '%wx%h' "$1")
  convert "$2" -crop "${size}+0+$3" +repage rows.png
  local diff
  diff=$(compare -metric AE "$1" rows.png null: 2>&1)
  [ "$diff" = "0" ] || { echo "  $diff pixels differ from rows at $3 ($size)"; return 1; }
}

# --- A long document restored while its first page is shown.
scenario first_page_while_restoring "$kit" <<STEPS
start $(win "$work/long.kwen")
child running
smaller $(unpacked long.kwen) $long_size
capture $(win "$work/long1.bmp")
close
exit 0
absent $(unpacked long.kwen)
STEPS
render long.kwen 1 long1_ref.bmp
check "the first page as rendered" same_rows long1.bmp long1_ref.bmp 0

# --- The sample: fitted at 1:1, paged, scaled by the width presets.
scenario sample_pages "$kit" <<STEPS
start $(win "$work/sample.kwen")
client 600 800
capture $(win "$work/s1.bmp")
page 1 of 4
key down
page 2 of 4
key enter
page 3 of 4
client 640 720
key up
page 2 of 4
client 600 800
key 3
window 0 0 608 846
key 1
client 480 640
capture $(win "$work/s2_narrow.bmp")
key 2
client 600 640
key 3
client 600 800
key pgdn
key pgdn
key pgdn
page 4 of 4
key right
page 4 of 4
key pgup
page 3 of 4
capture $(win "$work/s3.bmp")
$(hold ctrl home)
page 1 of 4
$(hold ctrl end)
page 4 of 4
close
exit 0
absent $(unpacked sample.kwen)
STEPS
for k in 1 2 3; do render sample.kwen "$k" "sample$k.bmp"; done
check "page 1 at 1:1" same_rows s1.bmp sample1.bmp 0
check "the colour page at 1:1" same_rows s3.bmp sample3.bmp 0
# --- A document with text after its pages shows exactly as without.
scenario document_with_text "$kit" <<STEPS
start $(win "$work/texted.kwen")
client 600 800
page 1 of 4
capture $(win "$work/t1.bmp")
$(hold ctrl end)
page 4 of 4
key pgup
page 3 of 4
capture $(win "$work/t3.bmp")
close
exit 0
absent $(unpacked texted.kwen)
STEPS
check "page 1 of a document with text" same_rows t1.bmp sample1.bmp 0
check "its colour page" same_rows t3.bmp sample3.bmp 0
# Scaled to 480 pixels: the halftone of the page, as near as scaling goes.
convert sample2.bmp -resize 480x640\! narrow_ref.png
narrow_error=$(compare -metric RMSE s2_narrow.bmp narrow_ref.png null: 2>&1 | sed 's/.*(\(.*\))/\1/')
check "page 2 scaled to 480 pixels (error $narrow_error)" awk -v e="$narrow_error" 'BEGIN { exit !(e + 0 < 0.2) }' 

# --- Views within a page taller than the window, scrolling and the mouse.
scenario views_and_scrolling "$kit" <<STEPS
start $(win "$work/long.kwen")
capture $(win "$work/v_top.bmp")
key end
capture $(win "$work/v_end.bmp")
key home
click left
capture $(win "$work/v_step.bmp")
click right
$(hold shift down down)
capture $(win "$work/v_two_steps.bmp")
$(hold shift up)
key down
capture $(win "$work/v_next.bmp")
key down
page 2 of 300
key up
capture $(win "$work/v_back.bmp")
page 1 of 300
close
exit 0
STEPS
view_height=$(sed -n 's/^captured .* of a client area of [0-9]*x\([0-9]*\)$/\1/p' views_and_scrolling.out | head -n 1)
last_top=$((1100 - view_height))
check "a view of the first rows" same_rows v_top.bmp long1_ref.bmp 0
check "End shows the last band" same_rows v_end.bmp long1_ref.bmp "$last_top"
check "a click scrolls one step" same_rows v_step.bmp long1_ref.bmp 37
check "Shift+Down twice scrolls two steps" same_rows v_two_steps.bmp long1_ref.bmp 74
check "Down shows the next band" same_rows v_next.bmp long1_ref.bmp "$last_top"
check "Up at a page's top shows the previous page's last band" same_rows v_back.bmp long1_ref.bmp "$last_top"

# --- The history ring, Go to page, and the boxes.
controls=$(sed -n '/kControls =/,/" ";/p' "$here/../../viewer/windows/texts.cpp" | sed -n 's/^ *"\(.*\)"[;]*$/\1/p' |
  tr -d '\n' | sed 's/\\n/^n/g; s/\\t/^t/g')
scenario history_and_dialogs "$kit" <<STEPS
start $(win "$work/long.kwen")
goto-escape
page 1 of 300
goto 5
goto 9
$(hold ctrl left)
page 5 of 300
$(hold ctrl left left)
page 1 of 300
$(hold ctrl right)
page 1 of 300
$(hold ctrl right)
page 5 of 300
$(hold ctrl right)
page 9 of 300
$(hold ctrl right)
page 1 of 300
goto 7
page 7 of 300
goto-escape
page 7 of 300
goto 12345
page 7 of 300
goto 0012
page 12 of 300
goto  3x
page 3 of 300
key f
box The file currently loaded|$(win "$work/long.kwen")
key f1
box Viewer controls|$controls
menu 513
box Viewer controls|$controls
menu 512
box About KWEN|DURMO-Viewer, v.2.1^nMade by the kwen kit team.^nQuestions and reports: the kwen kit project pages.
goto 7
export p0007.bmp $(win "$work/exported7.bmp")
close
exit 0
STEPS
render long.kwen 7 long7.bmp
check "the export is the page as rendered" cmp -s exported7.bmp long7.bmp

# --- File/Open of a second document ends the first one's unpacking.
scenario open_from_the_menu "$kit" <<STEPS
start $(win "$work/long.kwen")
child running
open-cancel
page 1 of 300
open $(win "$work/sample.kwen")
absent $(unpacked long.kwen)
page 1 of 4
capture $(win "$work/o1.bmp")
close
exit 0
absent $(unpacked sample.kwen)
STEPS
check "the second document's first page" same_rows o1.bmp sample1.bmp 0

# --- Two documents named book.kwen in two folders, each in a viewer of its
# own: the second started while the first one's unpacking still runs, or
# once the first has read the whole of its document. Each shows its own.
mkdir a b
cp long.kwen a/book.kwen
cp sample.kwen b/book.kwen
scenario same_name_at_once "$kit" <<STEPS
start $(win "$work/a/book.kwen")
child running
viewer 2
start $(win "$work/b/book.kwen")
files $(unpacked book.kwen) 2
page 1 of 4
capture $(win "$work/at_once_b.bmp")
viewer 1
page 1 of 300
capture $(win "$work/at_once_a.bmp")
close
exit 0
viewer 2
page 1 of 4
close
exit 0
absent $(unpacked book.kwen)
STEPS
check "the first viewer shows its own document" same_rows at_once_a.bmp long1_ref.bmp 0
check "the second viewer shows its own document" same_rows at_once_b.bmp sample1.bmp 0
scenario same_name_one_after_the_other "$kit" <<STEPS
start $(win "$work/b/book.kwen")
$(hold ctrl end)
page 4 of 4
viewer 2
start $(win "$work/a/book.kwen")
page 1 of 300
capture $(win "$work/after_a.bmp")
close
exit 0
viewer 1
page 4 of 4
$(hold ctrl home)
capture $(win "$work/after_b.bmp")
close
exit 0
absent $(unpacked book.kwen)
STEPS
check "the later viewer shows its own document" same_rows after_a.bmp long1_ref.bmp 0
check "the earlier viewer still shows its own" same_rows after_b.bmp sample1.bmp 0

# --- Files of other viewers are never read: one under the old name (the
# file name and ".bs"), newer than its document, and one under this
# viewer's own name, as a crashed viewer of the same process id leaves it.
cp long.kwen stale.kwen
touch -d '2001-01-01' stale.kwen
cp sample.bs "$temp_unix/stale.kwen.bs"
scenario stale_files_are_not_read "$kit" <<STEPS
plant $(temp "stale.kwen.$(fnv1a "$(win "$work/stale.kwen")").{pid}.bs") $(win "$work/sample.bs")
start $(win "$work/stale.kwen")
files $(unpacked stale.kwen) 1
page 1 of 300
close
exit 0
absent $(unpacked stale.kwen)
files $(temp stale.kwen.bs) 1
STEPS

# --- Plain BMP files of several depths, and a path with blanks in quotes.
for depth in 1 4 8 24; do
  case $depth in
    1) convert -size 300x200 xc:white -fill black -draw 'rectangle 20,20 120,90' -type bilevel "BMP3:bmp$depth.bmp" ;;
    4) convert -size 300x200 gradient:red-blue -colors 16 -compress none "BMP3:bmp$depth.bmp" ;;
    8) convert -size 300x200 gradient:white-black -colors 200 -compress none "BMP3:bmp$depth.bmp" ;;
    24) convert -size 300x200 plasma:fractal -seed 4 -type truecolor "BMP3:bmp$depth.bmp" ;;
  esac
done
cp bmp24.bmp "with blank.bmp"
scenario plain_bmp_files "$kit" <<STEPS
start $(win "$work/bmp1.bmp")
client 300 200
key right
key g
capture $(win "$work/c1.bmp")
key f
box The file currently loaded|$(win "$work/bmp1.bmp")
export p0001.bmp $(win "$work/bmp1_export.bmp")
open $(win "$work/bmp4.bmp")
capture $(win "$work/c4.bmp")
open $(win "$work/bmp8.bmp")
capture $(win "$work/c8.bmp")
close
exit 0
start "$(win "$work/with blank.bmp")"
capture $(win "$work/c24.bmp")
close
exit 0
STEPS
for depth in 1 4 8 24; do
  check "a ${depth}-bit BMP file as it is" same_rows "c$depth.bmp" "bmp$depth.bmp" 0
done
render bmp1.bmp 1 bmp1_render.bmp
check "a BMP file exported as read" cmp -s bmp1_export.bmp bmp1_render.bmp

# --- Failures: each box, and exit status 1.
: >empty.kwen
echo "plain text" >notes.txt
long_name=$(printf 'a%.0s' $(seq 1100))
# --- A document built by kwentool from page images: 300-dpi text pages and
# a colour page, shown scaled to the window's width (narrowed first: Wine
# gives no screen capture of a window as wide as the screen).
pages=$here/../../examples/pages
"$kwentool" build -o built.kwen "$pages/text-1.png" "$pages/text-2.png" "$pages/colour.png" >/dev/null 2>&1
scenario built_document "$kit" <<STEPS
start $(win "$work/built.kwen")
page 1 of 3
key 1
capture $(win "$work/b1.bmp")
$(hold ctrl end)
page 3 of 3
capture $(win "$work/b3.bmp")
close
exit 0
absent $(unpacked built.kwen)
STEPS
for k in 1 3; do
  render built.kwen "$k" "built$k.bmp"
  size=$(identify -format '%w' "b$k.bmp")
  convert "built$k.bmp" -resize "${size}x" -crop "$(identify -format '%wx%h' "b$k.bmp")+0+0" +repage "built${k}_scaled.png"
  built_error=$(compare -metric RMSE "b$k.bmp" "built${k}_scaled.png" null: 2>&1 | sed 's/.*(\(.*\))/\1/')
  check "built page $k as shown (error $built_error)" awk -v e="$built_error" 'BEGIN { exit !(e + 0 < 0.2) }'
done

# A long document refused at its start: by the time the box is shown, the
# child that was still restoring it has been ended and its file deleted.
refused_while_restoring() {
  printf 'start %s\nshown WARNING|%s\nchild ended\n' "$(win "$work/$1")" "$2"
  printf 'absent %s\nbox WARNING|%s\nexit 1' "$(unpacked "$1")" "$2"
}
scenario failures "$kit" <<STEPS
start $(win "$work/missing.kwen")
box File does not exist|$(win "$work/missing.kwen")
exit 1
start $(win "$work/empty.kwen")
shown WARNING|Unpack file error
absent $(unpacked empty.kwen)
box WARNING|Unpack file error
exit 1
$(refused_while_restoring old_label.kwen "Not supported old KWEN file format")
$(refused_while_restoring damaged_table.kwen "The page table holds a negative page size")
$(refused_while_restoring bad_first_page.kwen "A spot refers to a place outside the document")
start $(win "$work/notes.txt")
box WARNING|Process failed since it is NOT a BITMAP
exit 1
start $long_name
box WARNING|The command line is longer than a document path may be
exit 1
STEPS
scenario utility_missing "$work/alone/kwenview.exe" <<STEPS
start $(win "$work/sample.kwen")
box WARNING|GetExitCodeProcess request from ReadKWENFile fails
exit 1
STEPS
scenario utility_ends_well_writing_nothing "$work/silent/kwenview.exe" <<STEPS
start $(win "$work/sample.kwen")
box WARNING|Unpack file error
exit 1
STEPS

finish viewer_e2e
