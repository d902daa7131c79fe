#!/usr/bin/env bash
# kwentool build from scanner and document files, every pixel kept (--mode
# lossless): TIFF of every depth and compression (made by ImageMagick and
# libtiff's tools), multi-page TIFF,
# JPEG and PDF (made by Ghostscript), page ranges, the automatic threshold,
# damaged or cut-off files refused by file and page with nothing written; and
# --clean and --lossy on scan-like pages.
# Usage: kwentool_inputs_test.sh KWENTOOL PAGES_DIR
set -u
tool=$(realpath "$1")
pages=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
source "$here/../shell_checks.sh"

kwentool() { run "$tool" "$@"; }
# Peak signal-to-noise ratio at least $3 dB (lossy decoders differ a little).
close_pixels() {
  local psnr
  psnr=$(compare -metric PSNR "$1" "$2" null: 2>&1 | cut -d' ' -f1)
  [ "$psnr" = "inf" ] || awk -v p="$psnr" -v least="$3" 'BEGIN { exit !(p >= least) }' ||
    { echo "  PSNR $psnr below $3"; return 1; }
}
# Builds the files into book.kwen and renders page $1 to got.png.
render_page() { kwentool render book.kwen "$1" got.png && [ "$(rc)" = 0 ]; }
page_line() { "$tool" info book.kwen | grep "^page $1:"; }
# A 32-bit field of the first page's information header in an unpacked
# document of one page (label, two table entries, the file header).
info_field() { "$tool" unpack book.kwen book.bs && od -An -t d4 -j $((12 + 14 + $1)) -N 4 book.bs | tr -d ' '; }
# A build that must fail: exit 1, the message naming $1, no document, no
# leftover, an older document kept.
refused() {
  local expected=$1
  shift
  echo old >old.kwen
  kwentool build --mode lossless -o old.kwen "$@"
  same "$(rc):$(cat old.kwen):$(ls old.kwen.* 2>/dev/null)" "1:old:" && grep -q -- "$expected" err.txt ||
    { echo "  message: $(cat err.txt)"; return 1; }
}

# --- Sources: a bitonal page, a grey page and a colour page.
shapes=(-draw "rectangle 20,20 140,60" -draw "circle 220,120 250,150" -draw "line 10,180 290,170")
convert -size 300x200 xc:white -fill black "${shapes[@]}" -monochrome bw.png
convert -size 300x200 xc:white -fill gray40 "${shapes[@]}" -fill gray80 -draw "rectangle 160,20 280,70" \
  -type Grayscale -depth 8 grey.png
convert -size 300x200 gradient:yellow-navy -fill red "${shapes[@]}" -depth 8 colour.png

# --- TIFF: each compression at each depth builds back to the same pixels.
# ImageMagick calls PackBits RLE.
for compression in Group4 LZW; do  # decoding is libtiff's: one CCITT, one general
  convert bw.png -monochrome -compress "$compression" bw-$compression.tif
  kwentool build --mode lossless -o book.kwen bw-$compression.tif
  check "1-bit TIFF, $compression" eval 'render_page 1 && same_pixels got.png bw.png && page_line 1 | grep -q "1 bits per pixel"'
done
for compression in LZW Zip; do
  convert grey.png -type Grayscale -depth 8 -compress "$compression" grey-$compression.tif
  kwentool build --mode lossless -o book.kwen grey-$compression.tif
  check "8-bit grey TIFF, $compression, as an 8-bit page" eval 'render_page 1 && same_pixels got.png grey.png && page_line 1 | grep -q "8 bits per pixel, 256 colours"'
  convert colour.png -type TrueColor -compress "$compression" rgb-$compression.tif
  kwentool build --mode lossless -o book.kwen rgb-$compression.tif
  check "RGB TIFF, $compression" eval 'render_page 1 && same_pixels got.png colour.png && page_line 1 | grep -q "24 bits per pixel"'
done
convert grey.png -type Grayscale -depth 16 -compress Zip grey16.tif
convert colour.png -type Palette -compress LZW palette.tif
kwentool build --mode lossless -o book.kwen grey16.tif palette.tif
# The palette's 16-bit entries become 8-bit colours.
check "16-bit grey and palette TIFF" eval 'render_page 1 && same_pixels got.png grey.png && render_page 2 && close_pixels got.png palette.tif 45'
for image in grey colour; do
  convert $image.png -compress JPEG -quality 92 $image-jpeg.tif
  kwentool build --mode lossless -o book.kwen $image-jpeg.tif
  check "JPEG-compressed $image TIFF" eval 'render_page 1 && close_pixels got.png $image-jpeg.tif 35'
done
tiff2bw rgb-LZW.tif tiff2bw.tif
kwentool build --mode lossless -o book.kwen tiff2bw.tif
check "tiff2bw's grey TIFF as an 8-bit page" eval 'render_page 1 && same_pixels got.png tiff2bw.tif && page_line 1 | grep -q "8 bits per pixel"'
convert bw.png -monochrome -units PixelsPerInch -density 200 -compress Group4 bw200.tif
kwentool build --mode lossless -o book.kwen bw200.tif
check "the resolution comes from the tags (200 dpi)" same "$(info_field 24):$(info_field 28)" "7874:7874"

# --- Multi-page TIFF and page ranges.
tiffcp bw-Group4.tif grey-LZW.tif rgb-Zip.tif multi.tif
kwentool build --mode lossless -o book.kwen multi.tif
check "every page of a multi-page TIFF" eval 'same "$("$tool" info book.kwen | head -1)" "pages: 3" &&
  render_page 1 && same_pixels got.png bw.png && render_page 2 && same_pixels got.png grey.png &&
  render_page 3 && same_pixels got.png colour.png'
convert colour.png -resize 30x20 thumbnail.tif
tiffset -s 254 1 thumbnail.tif  # a reduced image
tiffcp bw-Group4.tif thumbnail.tif rgb-LZW.tif with-thumbnail.tif
kwentool build --mode lossless -o book.kwen with-thumbnail.tif
check "a scanner's thumbnail is not a page" eval 'same "$("$tool" info book.kwen | head -1)" "pages: 2" &&
  render_page 2 && same_pixels got.png colour.png'
kwentool build --mode lossless -o book.kwen multi.tif:3,1 multi.tif:2 bw.png:1
check "ranges take pages in the order given" eval 'render_page 1 && same_pixels got.png colour.png &&
  render_page 2 && same_pixels got.png bw.png && render_page 3 && same_pixels got.png grey.png &&
  render_page 4 && same_pixels got.png bw.png'
cp grey.png "odd:2.png"
tiffcp bw-Group4.tif rgb-LZW.tif "scan:1.tif"
kwentool build --mode lossless -o book.kwen "odd:2.png" "scan:1.tif:2"
check "names with colons: the file itself, or a range after it" eval 'render_page 1 && same_pixels got.png grey.png &&
  render_page 2 && same_pixels got.png colour.png'
check "a page beyond the file is refused" refused "multi.tif has no page 4 (it has 3)" multi.tif:2-4
check "a backward range is refused" refused "multi.tif:3-2: the range 3-2 runs backwards" multi.tif:3-2
# Blank pages of the largest size, the same Group 4 page 20 times in a few
# kilobytes: each is one blank spot, with a line of progress.
{ printf 'P4 8192 8192\n'; head -c $((8192 * 8192 / 8)) /dev/zero; } >white.pbm
ppm2tiff -c g4 -r 8192 white.pbm white.tif
tiffcp $(printf 'white.tif %.0s' $(seq 20)) blank.tif
kwentool build --mode lossless -o book.kwen blank.tif
check "20 blank pages of 8192 x 8192" eval '[ "$(rc)" = 0 ] && [ "$(grep -c "^page .* of 20" err.txt)" = 20 ] &&
  [ "$("$tool" info book.kwen | grep -c "8192 x 8192, 1 bits per pixel, 2 colours, 1 spots")" = 20 ]'
many=()
for i in $(seq 334); do many+=(multi.tif); done
check "more than 999 pages in all are refused" refused "the inputs hold 1002 pages; a document holds at most 999" "${many[@]}"

# --- JPEG, grey and colour, with the resolution of its JFIF header.
convert grey.png -type Grayscale -quality 95 -units PixelsPerInch -density 150 grey.jpg
convert colour.png -quality 95 colour.jpg
kwentool build --mode lossless -o book.kwen grey.jpg colour.jpg
check "JPEG pages, grey as 8-bit" eval 'render_page 1 && close_pixels got.png grey.jpg 40 && page_line 1 | grep -q "8 bits per pixel" &&
  render_page 2 && close_pixels got.png colour.jpg 35'
kwentool build --mode lossless -o book.kwen grey.jpg
check "the JPEG's resolution (150 dpi)" same "$(info_field 24)" 5906

# --- PDF, rendered at --dpi: a page of grey shapes, a colour page, text.
cat >doc.ps <<'PS'
%!PS
<< /PageSize [216 144] >> setpagedevice
0 setgray 20 20 100 40 rectfill 0.5 setgray 130 20 60 100 rectfill showpage
1 0 0 setrgbcolor 30 30 80 80 rectfill 0 0 1 setrgbcolor 120 40 60 60 rectfill showpage
PS
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -sOutputFile=doc.pdf doc.ps
pdftoppm -r 100 -aa no -aaVector no -png doc.pdf want
kwentool build --mode lossless --dpi 100 -o book.kwen doc.pdf
check "PDF pages at --dpi as poppler draws them, without antialiasing" eval 'page_line 1 | grep -q "300 x 200, 8 bits" &&
  page_line 2 | grep -q "300 x 200, 24 bits" && render_page 1 && same_pixels got.png want-1.png &&
  render_page 2 && same_pixels got.png want-2.png'
kwentool build --mode lossless --dpi 100 -o book.kwen doc.pdf:2
check "a PDF page range" eval 'render_page 1 && same_pixels got.png want-2.png'
# Text in an embedded font at fractional places: black and white only, and
# each glyph the same pixels wherever it stands (every o of page 2 is the
# shape of page 1's).
cat >text.ps <<'PS'
%!PS
<< /PageSize [216 72] >> setpagedevice
/Times-Roman findfont 9.3 scalefont setfont
10.4 40.3 moveto (The quick brown fox jumps over the lazy dog.) show showpage
10.7 40.6 moveto (oooooooooooooooooooooooooooooooooooooooo) show showpage
PS
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -sOutputFile=text.pdf -c "<< /NeverEmbed [] >> setdistillerparams" \
  -f ./text.ps
kwentool build --mode lossless -o book.kwen text.pdf
check "PDF text in black and white, each glyph alike" eval 'page_line 1 | grep -q "1 bits per pixel, 2 colours" &&
  page_line 2 | grep -q "1 bits per pixel, 2 colours, 40 spots, 40 references"'

# --- The automatic threshold: ink at 150 on paper at 240, which the fixed
# cut at 128 misses entirely.
convert -size 300x200 xc:"gray(240)" +antialias -fill "gray(150)" "${shapes[@]}" -type Grayscale faint.png
convert faint.png -threshold 75% -monochrome faint-bw.png
kwentool build --bitonal -o book.kwen faint.png
check "--bitonal cuts with Otsu's threshold" eval 'render_page 1 && same_pixels got.png faint-bw.png'
kwentool build --bitonal --threshold 128 -o book.kwen faint.png
check "--threshold keeps the fixed cut: no ink" eval 'render_page 1 && same "$(convert got.png -format "%[fx:minima]" info:)" 1'

# --- Damaged and cut-off files: refused naming the file and the page.
tiffcp bw-Group4.tif rgb-LZW.tif grey-Zip.tif cut.tif
size=$(stat -c %s cut.tif)
head -c $((size / 2)) cut.tif >half.tif
check "a cut-off multi-page TIFF" refused "half.tif is damaged after page 1" half.tif
cp rgb-LZW.tif bad-strip.tif
printf '\377\377\377\377\377\377\377\377' | dd of=bad-strip.tif bs=1 seek=200 conv=notrunc 2>/dev/null
check "a TIFF with damaged LZW data" refused "bad-strip.tif page 1 is damaged" bad-strip.tif
cp bw-Group4.tif bad-g4.tif
printf '\000\000\000\000\000\000' | dd of=bad-g4.tif bs=1 seek=40 conv=notrunc 2>/dev/null
check "a TIFF with damaged Group 4 data" refused "bad-g4.tif page 1 is damaged" bad-g4.tif
printf 'II*\000\010\000\000\000\377\377' >stub.tif
check "a TIFF without a directory" refused "stub.tif is not a readable TIFF file" stub.tif
cp bw-Group4.tif huge.tif
tiffset -s 256 100000 huge.tif && tiffset -s 257 100000 huge.tif
check "a TIFF claiming a huge page, refused before reading" refused "huge.tif page 1 is larger than" huge.tif
head -c $(($(stat -c %s colour.jpg) - 300)) colour.jpg >cut.jpg
check "a cut-off JPEG" refused "cut.jpg is cut short" cut.jpg
head -c $(($(stat -c %s doc.pdf) / 2)) doc.pdf >cut.pdf
check "a cut-off PDF" refused "cut.pdf is not a whole PDF file" cut.pdf
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -dCompressPages=false -sOutputFile=plain.pdf doc.ps
sed '0,/ re f/s/ re f/ zz f/' plain.pdf >bad.pdf  # an unknown operator on page 1
check "a PDF page whose drawing is damaged" refused "bad.pdf page 1 is damaged" bad.pdf

kwentool --help
check "--help names the inputs this build reads" grep -q "JPEG, TIFF or PDF" out.txt

# --- Pages that are not grey build to the bytes they always did (the
# sample's two text pages and colour page, as built before grey pages and
# the new inputs).
kwentool build --mode lossless -o sample.kwen "$pages"/text-1.png "$pages"/text-2.png "$pages"/colour.png
check "the sample document keeps its bytes" same "$(sha256sum <sample.kwen | cut -d' ' -f1)" \
  b8dc7c98ae6c6d6c223afef6d678b2c55c9e67457408b3b03e8e34e95383c006

# --- Scan-like pages of known text (rendered by ImageMagick, blurred, with
# Gaussian noise of a fixed seed, cut at mid-grey) through --clean and --lossy:
# specks go and dots stay, and clean pages keep their bytes. That no letter
# is drawn as another is shape_classes_test's, against known marks.
different_pixels() { compare -metric AE "$1" "$2" null: 2>&1; }
texts=("Scanned pages come out of the machine a little different
every time: each letter gains or loses a few pixels along
its edges, and specks of dust appear in the margins.
Matching the shapes keeps one copy of every letter,
so a book of many pages costs hardly more than one."
"The quick brown fox jumps over the lazy dog, 1234567890.
Pack my box with five dozen liquor jugs; how vexingly
quick daft zebras jump! Sphinx of black quartz, judge
my vow. Jackdaws love my big sphinx of quartz (again).
Waltz, bad nymph, for quick jigs vex? Fjord bank glyphs.")
# Specks of 2 x 2 pixels in the margins, far from ink, drawn on the first
# scan.
specks=(8,8 600,6 1250,20 10,340 1200,350)
draw=""
for s in "${specks[@]}"; do draw+="rectangle $s $((${s%,*} + 1)),$((${s#*,} + 1)) "; done
for n in 1 2; do
  convert -font DejaVu-Sans -pointsize 40 -background white -fill black label:"${texts[n - 1]}" \
    -bordercolor white -border 60 -blur 0x1 -seed "$n" -attenuate 0.5 +noise Gaussian -threshold 50% \
    -type bilevel scan$n.png
done
convert scan1.png -fill black -draw "$draw" -type bilevel specks1.png

# --- --clean: the specks go, everything else (the dots of i and j, the full
# stops) stays.
kwentool build --clean --verbose -o clean.kwen specks1.png scan2.png
check "--clean reports the specks of page 1" grep -q "clean: ${#specks[@]} specks removed ($((4 * ${#specks[@]})) pixels)" out.txt
check "--clean finds none on page 2" grep -q "clean: 0 specks removed" out.txt
kwentool render clean.kwen 1 clean1.png
check "the cleaned page is the scan without its specks" same "$(different_pixels clean1.png scan1.png)" 0

# Clean pages have no specks: --clean changes no byte of the sample's pages.
kwentool build --mode lossless --clean -o sample-clean.kwen "$pages"/text-1.png "$pages"/text-2.png "$pages"/colour.png
check "--clean keeps clean pages byte for byte" cmp -s sample.kwen sample-clean.kwen

# --- --lossy: fewer bytes, the pages changed.
kwentool build --mode lossless -o lossless.kwen scan1.png scan2.png
kwentool build --lossy --verbose -o lossy.kwen scan1.png scan2.png
check "--lossy reports classes, matches and changed pixels for each page" \
  same "$(grep -c '^  lossy: [0-9]* shapes, [0-9]* matches, [0-9]* new classes ([0-9]* in the document), [0-9]* pixels changed$' out.txt)" 2
matches=$(awk '$1 == "lossy:" { sum += $4 } END { print sum }' out.txt)
check "most shapes are matched" test "$matches" -gt 300
check "--lossy is smaller" test "$(stat -c %s lossy.kwen)" -lt "$(stat -c %s lossless.kwen)"
for n in 1 2; do
  kwentool render lossy.kwen $n lossy$n.png
  check "lossy page $n differs from its scan" test "$(different_pixels lossy$n.png scan$n.png)" -gt 0
done

# Both together, with a colour page, which neither option touches.
kwentool build --mode lossless --clean --lossy -o both.kwen specks1.png "$pages"/colour.png scan2.png
kwentool render both.kwen 2 colour-back.png
check "the colour page comes back exactly" same "$(different_pixels colour-back.png "$pages"/colour.png)" 0
kwentool render both.kwen 1 both1.png
check "the first page lost its specks" same "$(different_pixels both1.png specks1.png)" \
  "$(($(different_pixels both1.png scan1.png) + 4 * ${#specks[@]}))"

finish kwentool_inputs
