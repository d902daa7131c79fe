#!/usr/bin/env bash
# kwentool build, unpack and repack from outside: page images of every reader
# built into documents that render back to the same pixels, the same bytes as
# the utility packs (or smaller with --pack best, restoring to the same),
# reports, and refusals that leave nothing half-written.
# Usage: kwentool_build_test.sh KWENTOOL DURMO PAGES_DIR [RUNNER]
set -u
tool=$(realpath "$1")
durmo=$(realpath "$2")
pages=$(realpath "$3")
runner=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
source "$here/../shell_checks.sh"

kwentool() { run $runner "$tool" "$@"; }
# The number in the report line that starts with the given word.
reported() { awk -v key="$1" '$1 == key { print $2 }' report.txt; }
# A 32-bit field of the first page's information header in an unpacked
# document of one page (label, two table entries, the file header).
info_field() { od -An -t d4 -j $((12 + 14 + $2)) -N 4 "$1" | tr -d ' '; }

# --- Real pages: two text pages at 300 dpi and a colour page.
cp "$pages"/text-1.png "$pages"/text-2.png "$pages"/colour.png .
kwentool build --mode lossless -o book.kwen text-1.png text-2.png colour.png
cp out.txt report.txt
check "build exits 0, naming each page" same "$(rc):$(cat err.txt):$(grep -c '^book.kwen: 3 pages$' out.txt)" "0:page 1 of 3
page 2 of 3
page 3 of 3:1"
inline=$(awk '$1 == "spots" { gsub(/[(,]/, ""); print $3 }' report.txt)
references=$(awk '$1 == "spots" { gsub(/[(,]/, ""); print $6 }' report.txt)
check "references outnumber the inline masks" test "$references" -gt $((10 * inline))
check "the report gives the packed size" same "$(reported packed)" "$(stat -c %s book.kwen)"
n=0
for page in text-1.png text-2.png colour.png; do
  n=$((n + 1))
  kwentool render book.kwen $n page$n.bmp
  check "$page builds back exactly" same_pixels page$n.bmp "$page"
done
kwentool info book.kwen
check "text pages are 1-bit, the colour page 24-bit" same "$(grep -c 'page 1: 2550 x 3300, 1 bits per pixel, 2 colours\|page 3: 1275 x 1650, 24 bits per pixel, 0 colours' out.txt)" 2

# The packing is the utility's, with its default switches and with others.
kwentool unpack book.kwen book.bs
check "unpack exits 0 with the reported size" same "$(rc):$(stat -c %s book.bs)" "0:$(reported unpacked)"
"$durmo" a utility.kwen book.bs >/dev/null 2>&1
check "build packs as durmo a does" cmp -s book.kwen utility.kwen
kwentool build --mode lossless --search F --size C -o small.kwen text-1.png text-2.png colour.png
"$durmo" a utility-fc.kwen book.bs /F /C >/dev/null 2>&1
check "build packs as durmo a /F /C does" cmp -s small.kwen utility-fc.kwen

# --- --pack best and repack: the same document, smaller.
restore() { "$durmo" x "$1" "$2" >/dev/null 2>&1; }  # durmo is always a native program
size() { stat -c %s "$1"; }
kwentool build --mode lossless --pack best -o best.kwen text-1.png text-2.png colour.png
check "--pack best reports its packed size" grep -q "packed      $(size best.kwen) bytes" out.txt
restore best.kwen best.bs
check "durmo restores the best packing to the default build's bytes" cmp -s book.bs best.bs
check "the best packing is at least 8% smaller" test $((100 * $(size best.kwen))) -le $((92 * $(size book.kwen)))
kwentool render best.kwen 3 best3.bmp  # the last page: everything before it restored too
check "the last page renders the same from both" cmp -s page3.bmp best3.bmp
# A 4 KiB window (--size T) over a page of hundreds of KiB.
kwentool build --mode lossless --pack best --size T -o window.kwen text-1.png
kwentool build --mode lossless --size T -o window-default.kwen text-1.png
restore window.kwen window.bs
restore window-default.kwen window-default.bs
check "a small window's best packing restores" cmp -s window.bs window-default.bs
check "... and declares the same window" same "$(od -An -tu1 -N1 window.kwen)" "$(od -An -tu1 -N1 window-default.kwen)"
kwentool repack book.kwen repacked.kwen
check "repack packs as build --pack best" cmp -s repacked.kwen best.kwen
cp book.kwen kept.kwen
head -c $(($(size book.kwen) / 2)) book.kwen >cut.kwen
cp best.kwen target.kwen
printf 'plain text, not a document' >text.txt
"$durmo" a text.kwen text.txt >/dev/null 2>&1
: >empty.kwen
listing() { ls | grep -v -e '^out\.' -e '^err\.' -e '^rc\.' | sort; }
before=$(listing)
while IFS='|' read -r input output message; do
  kwentool repack "$input" "$output"
  check "repack $input $output is refused" same "$(rc):$(tail -1 err.txt)" "1:kwentool: $message"
done <<'REFUSED'
kept.kwen|kept.kwen|kept.kwen is the document itself: it would be replaced
cut.kwen|target.kwen|cut.kwen is damaged: its packed data does not end cleanly
text.kwen|target.kwen|text.kwen does not hold a document (no label KNWE)
empty.kwen|target.kwen|empty.kwen is empty
missing.kwen|target.kwen|File does not exist: missing.kwen
book.kwen|unpacked.bs|the output's name must end in .kwen, by which the viewer knows it
REFUSED
check "... keeping the input and the output already there" same "$(cmp kept.kwen book.kwen; cmp target.kwen best.kwen)" ""
check "... leaving no file behind" same "$(listing)" "$before"
kwentool repack book.kwen
check "repack without its output is a usage error" same "$(rc)" 2

# --- Each input reader, round trip through render (8-bit samples, which is
# what pages hold). The kinds of PNM are pnm_reader_test's; the depths of
# BMP and PNG are the image library's.
convert -size 97x61 gradient:red-blue -swirl 120 -depth 8 colour-src.png
convert -size 97x61 xc:white -fill black -draw "circle 40,30 55,40" -draw "rectangle 70,5 90,8" bw-src.png
formats=("bw-src.png -type bilevel:bw1.bmp" "colour-src.png -type palette -compress none:p8.bmp"
  "bw-src.png -type bilevel:bw.png" "colour-src.png -colorspace gray:grey.png" "colour-src.png -strip:rgb.png"
  "colour-src.png -alpha set -channel A -evaluate set 50% +channel:rgba.png"
  "bw-src.png -type bilevel:bw.pbm" "colour-src.png -depth 16:rgb16.ppm")
for format in "${formats[@]}"; do
  source_image=${format%% *}
  rest=${format#* }
  output=${rest##*:}
  options=${rest%:*}
  convert "$source_image" $options "$output"
  kwentool build --mode lossless -o one.kwen "$output"
  kwentool render one.kwen 1 one.bmp
  convert "$output" -alpha off -depth 8 flat.png 2>/dev/null
  check "$output builds back exactly" same_pixels one.bmp flat.png
done

# A 16-bit BMP (5-5-5, which ImageMagick does not write) gives the colours
# the viewer shows for it.
printf '\x42\x4d\x3e\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x02\0\0\0\x02\0\0\0\x01\0\x10\0' >rgb16.bmp
printf '\0\0\0\0\x08\0\0\0\x13\x0b\0\0\x13\x0b\0\0\0\0\0\0\0\0\0\0' >>rgb16.bmp
printf '\x00\x7c\xe0\x03\x1f\x00\xff\x7f' >>rgb16.bmp
kwentool build --mode lossless -o rgb16.kwen rgb16.bmp
kwentool render rgb16.kwen 1 built16.bmp
kwentool render rgb16.bmp 1 shown16.bmp
check "a 16-bit BMP builds back as the viewer shows it" same_pixels built16.bmp shown16.bmp
check "its colours are red, green, blue and white" same "$(convert built16.bmp -depth 8 txt:- | awk 'NR > 1 { print $3 }' | tr '\n' ' ')" "#0000FF #FFFFFF #FF0000 #00FF00 "

# --- Scans, as the automatic mode stores them: a text page made grey on
# cream paper under uneven light, blurred, noisy and JPEG-coded, and a colour
# page scanned the same way.
scan() {  # scan SOURCE OUT: the page as an office scanner gives it
  local size
  size=$(identify -format %wx%h "$1")
  convert "$1" -colorspace sRGB \( -size "$size" radial-gradient:white-gray80 \) -compose multiply -composite \
    \( -size "$size" xc:'rgb(244,238,220)' \) -compose multiply -composite -blur 0x0.8 \
    -seed 7 -attenuate 0.5 +noise Gaussian -quality 85 "$2"
}
scan text-1.png scan-text.jpg
scan colour.png scan-colour.jpg
convert -size 600x800 -seed 4 plasma:fractal -blur 0x2 -quality 85 scan-photo.jpg
kwentool build --verbose -o scans.kwen scan-text.jpg scan-colour.jpg scan-photo.jpg
check "a text scan is stored as text on white paper" grep -q "^page 1 (scan-text.jpg): 2550 x 3300, bitonal, text, [0-9]* masks in 1 inks, 0 pictures (0 bytes), paper [0-9,]* made white" out.txt
check "the colour scan keeps its pictures and its inks" grep -q "^page 2 (scan-colour.jpg): .*, 24-bit, text and pictures, [0-9]* masks in [2-8] inks, [1-9] pictures" out.txt
check "a photograph is one picture" grep -q "^page 3 (scan-photo.jpg): .*, 24-bit, photograph, 0 masks in 0 inks, 1 pictures" out.txt
check "the scans are stored smaller than their files" \
  test "$(stat -c %s scans.kwen)" -lt $(($(stat -c %s scan-text.jpg) + $(stat -c %s scan-colour.jpg) + $(stat -c %s scan-photo.jpg)))
kwentool build --jobs 1 -o one-job.kwen scan-text.jpg scan-colour.jpg scan-photo.jpg scan-text.jpg
kwentool build --jobs 4 -o four-jobs.kwen scan-text.jpg scan-colour.jpg scan-photo.jpg scan-text.jpg
check "the same bytes on one worker as on four" cmp -s one-job.kwen four-jobs.kwen
kwentool build --mode lossless -o raw-scan.kwen scan-text.jpg
check "a page stored larger than its source says so and names the option that helps" \
  grep -q "^kwentool: page 1 (scan-text.jpg) is stored in [0-9]* bytes, more than the $(stat -c %s scan-text.jpg) of its source; --mode auto stores a scan as text and pictures$" err.txt

# --- Bitonal and lossy options.
convert colour-src.png -colorspace gray grey-page.png
kwentool build --bitonal -o bitonal.kwen grey-page.png
kwentool info bitonal.kwen
check "--bitonal page has 1 bit per pixel" grep -q "1 bits per pixel" out.txt
convert -size 400x300 -seed 3 plasma:fractal -blur 0x1 photo.png
kwentool build --quality 75 --verbose -o photo.kwen photo.png
psnr=$(grep -o "PSNR [0-9.]*" out.txt | cut -d' ' -f2)
kwentool render photo.kwen 1 photo.bmp
measured=$(compare -metric PSNR photo.bmp photo.png null: 2>&1)
check "--verbose reports the decoded page's PSNR, above 30 at --quality 75" \
  awk -v a="${psnr:-0}" -v b="$measured" 'BEGIN { exit !(a - b < 0.1 && b - a < 0.1 && a > 30) }'
kwentool build --mode lossless --verbose -o lossless.kwen photo.png
check "without --quality pictures are exact" grep -q "restored exactly" out.txt
kwentool build --mode colour --verbose -o colour-mode.kwen photo.png
check "--mode colour codes pictures at the default quality" grep -q "^page 1 (photo.png): 400 x 300, 24-bit, .* 1 pictures, PSNR" out.txt
kwentool build --mode grey -o grey-mode.kwen colour.png
kwentool info grey-mode.kwen
check "--mode grey stores a colour page in greys" grep -q "8 bits per pixel, 256 colours" out.txt

# --- Resolution: from the file, else --dpi.
convert bw-src.png -type bilevel -units PixelsPerInch -density 600 dense.png
kwentool build -o dense.kwen dense.png
kwentool unpack dense.kwen dense.bs
check "a PNG's resolution goes into the header" same "$(info_field dense.bs 24)" 23622
kwentool build --dpi 200 -o dpi.kwen bw.pbm
kwentool unpack dpi.kwen dpi.bs
check "--dpi sets the resolution of pages without one" same "$(info_field dpi.bs 28)" 7874

# --- Refusals leave nothing half-written and keep what was there.
printf '\211PNG\r\n\032\n damaged' >bad.png
cp book.kwen kept.kwen
kwentool build -o kept.kwen text-1.png bad.png
check "a bad page fails the build by name" same "$(rc):$(grep -c "bad.png is not a readable image" err.txt)" "1:1"
check "... keeping the document already there, no temporary left" same "$(cmp kept.kwen book.kwen; ls -A | grep -c '\.part$')" 0
cp bw.pbm x.kwen.part
kwentool build -o x.kwen x.kwen.part
check "a page named like the output's old temporary is read, not consumed" same "$(rc):$(cmp x.kwen.part bw.pbm)" "0:"
cp bw.pbm same.kwen
kwentool build -o same.kwen text-1.png same.kwen
check "a document written over one of its pages is refused, the page kept" same "$(rc):$(tail -1 err.txt):$(cmp same.kwen bw.pbm)" \
  "1:kwentool: same.kwen is one of the page images: it would be replaced:"
if [ -z "$runner" ]; then
  ln bw.pbm linked.kwen
  kwentool build -o linked.kwen bw.pbm
  check "a document that is a page under another name is refused, the page kept" \
    same "$(rc):$(cmp -s linked.kwen bw.pbm && echo kept)" "1:kept"
fi
printf 'GIF89a' >anim.gif
printf 'P4 8 2\n\377' >short.pbm
while IFS='|' read -r page message; do
  kwentool build -o fresh.kwen "$page"
  check "$page is refused by name, writing nothing" same "$(rc):$(tail -1 err.txt):$(ls fresh.kwen* 2>/dev/null)" "1:kwentool: $page $message:"
done <<'PAGES'
missing.png|cannot be opened
anim.gif|is not a BMP, PNG, PNM or JPEG image
short.pbm|is not a readable image (the PNM pixels are cut short or damaged)
PAGES
kwentool build -o book.pdf bw.pbm
check "a name without .kwen is a usage error (the others are build_options_test's)" same "$(rc)" 2
kwentool build -o no/such/dir/x.kwen bw.pbm
check "an unwritable document is refused" same "$(rc)" 1
kwentool unpack bw.pbm out.bs
check "unpack refuses what is no document" same "$(rc)" 1

finish kwentool_build
