#!/usr/bin/env bash
# kwentool from outside: rendering documents and plain BMP files, info, and
# refusals. Usage: kwentool_test.sh KWENTOOL DURMO DATA_DIR [RUNNER]
set -u
tool=$(realpath "$1")
durmo=$(realpath "$2")
data=$(realpath "$3")
runner=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
source "$here/../shell_checks.sh"

kwentool() { run $runner "$tool" "$@"; }
# Pixels of two images agree as ImageMagick reads them.
same_pixels() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = "0" ]; }

kwentool --help
check "--help exits 0" same "$(rc)" 0
check "--help names render" grep -q "render DOC PAGES OUT" out.txt
check "--help names the formats" grep -q "\.pgm  raw PGM" out.txt

cp "$data/worked_example.bs" example.bs
kwentool info example.bs
check "info of an unpacked document" same "$(cat out.txt)" "pages: 1
page 1: 16 x 8, 1 bits per pixel, 2 colours, 2 spots, 1 references, 0 compact pictures"

kwentool render example.bs 1 page.bmp
check "render exits 0" same "$(rc)" 0
# 14 + 40 + 8 header bytes, then 8 rows of 4 bytes.
check "the page is written as headers, table and rows" same "$(stat -c %s page.bmp)" 94
if command -v convert >/dev/null; then
  expected=$(printf '%s\n' \
    "................" "................" "................" "..####..####...." \
    "..#..#..#..#...." "..####..####...." "................" "................")
  got=$(convert page.bmp -depth 1 txt:- | awk 'NR > 1 { split($1, p, "[,:]"); c = ($0 ~ /black|#000000/) ? "#" : "."; rows[p[2]] = rows[p[2]] c } END { for (y = 0; y < 8; y++) print rows[y] }')
  check "ImageMagick reads the rendered page" same "$got" "$expected"
fi

# A packed document renders the same page.
"$durmo" a book.kwen "$data/two_pages.bs" >/dev/null 2>&1
cp "$data/two_pages.bs" book.bs
for page in 1 2; do
  kwentool render book.kwen $page packed.bmp
  kwentool render book.bs $page unpacked.bmp
  check "packed and unpacked page $page agree" cmp -s packed.bmp unpacked.bmp
done
kwentool info book.kwen
check "info counts compact pictures" grep -q "page 1: 20 x 12, 24 bits per pixel, 0 colours, 2 spots, 0 references, 1 compact pictures" out.txt
check "info lists page 2" grep -q "page 2: 10 x 5, 8 bits per pixel, 256 colours, 2 spots" out.txt

# Plain BMP files in each depth ImageMagick writes uncompressed.
if command -v convert >/dev/null; then
  convert -size 61x37 gradient:red-blue -swirl 90 source.png
  variants=(
    "-type bilevel" "-type bilevel BMP3:" "-type palette -colors 16 -compress none"
    "-type palette -compress none" "-type palette -compress none BMP3:" "-type truecolor"
    "-type truecolor BMP3:" "-type grayscale -compress none")
  n=0
  for variant in "${variants[@]}"; do
    n=$((n + 1))
    prefix=""
    options=$variant
    case "$variant" in *BMP3:) prefix="BMP3:"; options=${variant% BMP3:} ;; esac
    convert source.png $options "${prefix}plain$n.bmp"
    kwentool render "plain$n.bmp" 1 "render$n.bmp"
    check "BMP '$variant' renders" same "$(rc)" 0
    check "BMP '$variant' keeps its pixels" same_pixels "plain$n.bmp" "render$n.bmp"
    kwentool render "plain$n.bmp" 1 "render$n.png"
    check "BMP '$variant' keeps its pixels as PNG" same_pixels "plain$n.bmp" "render$n.png"
  done
  convert source.png -type palette rle.bmp
  kwentool render rle.bmp 1 x.bmp
  check "a compressed BMP is refused" same "$(rc):$(cat err.txt)" "1:kwentool: Process failed since BITMAP has compressed format"
  check "the refused render leaves no file" test ! -e x.bmp
fi

# The output's extension, in any case, gives the format. A .bmp is the
# viewer's export, byte for byte as it has always been written.
kwentool render book.bs 1 colour.BMP
kwentool render book.bs 2 grey.bmp
kwentool render example.bs 1 bitonal.Bmp
check "BMP bytes of a 24-bit page" same "$(cksum <colour.BMP)" "1507303335 774"
check "BMP bytes of an 8-bit paletted page" same "$(cksum <grey.bmp)" "2988783807 1138"
check "BMP bytes of a 1-bit page" same "$(cksum <bitonal.Bmp)" "3360918925 94"

# render_as DOC PAGE OUT REFERENCE: the page written as OUT holds the
# reference's pixels.
render_as() {
  kwentool render "$1" "$2" "$3"
  check "$3 is written" same "$(rc)" 0
  check "$3 holds the page's pixels" same_pixels "$4" "$3"
}
# Byte 25 of a PNG is its colour type: 0 grey, 2 RGB.
png_type() { od -An -tu1 -j25 -N1 "$1" | tr -d ' '; }
magic() { head -c 2 "$1"; }
if command -v compare >/dev/null; then
  render_as book.bs 1 colour.png colour.BMP
  render_as book.bs 1 colour.PPM colour.BMP
  render_as book.bs 2 grey.Png grey.bmp
  render_as book.bs 2 grey.ppm grey.bmp
  render_as book.bs 2 grey.pgm grey.bmp
  render_as example.bs 1 bitonal.png bitonal.Bmp
  render_as example.bs 1 bitonal.ppm bitonal.Bmp
  render_as example.bs 1 bitonal.pgm bitonal.Bmp
  render_as example.bs 1 bitonal.pbm bitonal.Bmp
  check "a colour page is an RGB PNG" same "$(magic colour.png):$(png_type colour.png)" "$(printf '\211P'):2"
  check "a page of greys is a grey PNG" same "$(png_type grey.Png):$(png_type bitonal.png)" "0:0"
  check "raw PNM kinds" same "$(magic colour.PPM) $(magic grey.pgm) $(magic bitonal.pbm)" "P6 P5 P4"
  # A 24-bit page of black and white only is a PBM too; a 16-bit page is
  # 5-5-5 (3 x 1: red, green, grey 16 of 31).
  convert -size 20x10 xc:white -fill black -draw 'rectangle 2,2 8,6' -type truecolor bw24.bmp
  render_as bw24.bmp 1 bw24.pbm bw24.bmp
  printf 'BM\076\0\0\0\0\0\0\0\066\0\0\0\050\0\0\0\003\0\0\0\001\0\0\0\001\0\020\0\0\0\0\0\010\0\0\0' >high.bmp
  printf '\023\013\0\0\023\013\0\0\0\0\0\0\0\0\0\0\000\174\340\003\020\102\0\0' >>high.bmp
  render_as high.bmp 1 high.ppm high.bmp
  check "16-bit pixels widen to 8 bits" same "$(tail -c 9 high.ppm | od -An -tu1 | tr -s ' ')" \
    " 255 0 0 0 255 0 132 132 132"
fi
kwentool render book.bs 1 colour.pbm
check "a colour page is no PBM" same "$(rc):$(cat err.txt)" \
  "1:kwentool: page 1: a .pbm file holds black and white only, and the page has other colours"
kwentool render book.bs 2 grey.pbm
check "a page of greys is no PBM" same "$(rc)" 1
kwentool render book.bs 1 colour.pgm
check "a colour page is no PGM" same "$(rc):$(cat err.txt)" \
  "1:kwentool: page 1: a .pgm file holds greys only, and the page has colours"
check "... and the refusals write nothing" test ! -e colour.pbm -a ! -e grey.pbm -a ! -e colour.pgm

# Several pages: a document of five pages, each a bar in its own place.
if command -v convert >/dev/null; then
  for i in 1 2 3 4 5; do
    convert -size 24x16 xc:white -fill black -draw "rectangle $((3 * i)),2 $((3 * i + 4)),12" "bar$i.pbm"
  done
  kwentool build -o five.kwen bar1.pbm bar2.pbm bar3.pbm bar4.pbm bar5.pbm
  check "the five-page document is built" same "$(rc)" 0
  # outputs DIR NAMES...: the folder holds those files and nothing else.
  outputs() { local dir=$1; shift; same "$(cd "$dir" && echo $(ls))" "$*"; }
  mkdir some
  kwentool render five.kwen 2,4-5 some/bar-%03d.pbm
  check "a list and a range render" same "$(rc)" 0
  check "... each page to its own name, nothing else" outputs some bar-002.pbm bar-004.pbm bar-005.pbm
  for i in 2 4 5; do check "... page $i in its file" same_pixels "bar$i.pbm" "some/bar-00$i.pbm"; done
  check "... with progress" same "$(cat err.txt)" "page 1 of 3
page 2 of 3
page 3 of 3"
  mkdir every
  kwentool render five.kwen all every/%d.PNG
  check "all pages render" outputs every 1.PNG 2.PNG 3.PNG 4.PNG 5.PNG
  for i in 1 2 3 4 5; do check "... page $i in its file" same_pixels "bar$i.pbm" "every/$i.PNG"; done
  mkdir span
  kwentool render five.kwen 3-4,1 span/p%02d.bmp
  check "a range and a page render" outputs span p01.bmp p03.bmp p04.bmp
  kwentool render five.kwen 3 single.bmp
  check "... as a single page does" cmp -s single.bmp span/p03.bmp
  kwentool render five.kwen 3 one-%d.ppm
  check "a single page takes a pattern too" test -e one-3.ppm -a ! -e one-%d.ppm
  check "... without progress" same "$(cat err.txt)" ""
  mkdir beyond
  kwentool render five.kwen 4-6 beyond/%d.png
  check "a page beyond the document is refused" same "$(rc):$(cat err.txt)" \
    "1:kwentool: five.kwen has no page 6 (it has 5)"
  check "... before anything is written" outputs beyond
  mkdir mixed
  kwentool render five.kwen 1-5 mixed/%d.pbm
  check "all pages of black and white render as PBM" outputs mixed 1.pbm 2.pbm 3.pbm 4.pbm 5.pbm
fi

# Usage errors write nothing.
kwentool render example.bs 1 x.jpg
check "an unknown extension is a usage error" same "$(rc)" 2
check "... naming the formats" grep -q "\.bmp, \.png, \.pbm, \.pgm or \.ppm: x.jpg" err.txt
kwentool render example.bs 1 x
check "no extension is a usage error" same "$(rc)" 2
kwentool render book.bs 1-2 x.png
check "several pages without a pattern are a usage error" same "$(rc)" 2
kwentool render book.bs all x.png
check "all pages without a pattern are a usage error" same "$(rc)" 2
for pages in 3-1 0 x 1,,2 -1 1-2-3 all,1 1,1; do
  kwentool render book.bs "$pages" "x%d.png"
  check "'$pages' is a usage error" same "$(rc)" 2
done
for pattern in 'x%d%d.png' 'x%s.png' 'x%%d.png' 'x%5d.png' 'x%d%.png'; do
  kwentool render book.bs all "$pattern"
  check "'$pattern' is a usage error" same "$(rc)" 2
done
check "... and none wrote a file" same "$(ls x* 2>/dev/null)" ""

# An output among several that is the document itself is refused first.
cp book.bs d2.bmp
kwentool render d2.bmp all d%d.bmp
check "a pattern naming the document is refused" same "$(rc):$(cat err.txt)" \
  "1:kwentool: d2.bmp is the document itself: it would be replaced"
check "... before any page is written" test ! -e d1.bmp
check "... and the document keeps its bytes" cmp -s d2.bmp book.bs

printf 'hello' >text.txt
kwentool render text.txt 1 x.bmp
check "a file that is no bitmap is refused" same "$(rc):$(cat err.txt)" "1:kwentool: Process failed since it is NOT a BITMAP"
kwentool render missing.kwen 1 x.bmp
check "a missing document is refused" same "$(rc)" 1
kwentool render example.bs 2 x.bmp
check "a page beyond the document is refused" same "$(rc):$(cat err.txt)" "1:kwentool: example.bs has no page 2 (it has 1)"
kwentool render example.bs one x.bmp
check "a page that is not a number is a usage error" same "$(rc)" 2
kwentool frobnicate
check "an unknown command is a usage error" grep -q "unknown command 'frobnicate'" err.txt
kwentool
check "no command is a usage error" same "$(rc)" 2
head -c 70 "$data/worked_example.bs" >cut.bs
kwentool render cut.bs 1 x.bmp
check "a cut-off document is refused with the read's message" same "$(cat err.txt)" "kwentool: Read BITMAP RGB Table Failed"
printf 'KWEN\0\0\0\0' >old.bs
kwentool info old.bs
check "an old label is refused" same "$(rc):$(cat err.txt)" "1:kwentool: Not supported old KWEN file format"
head -c 40 book.kwen >cutbook.kwen
kwentool info cutbook.kwen
check "a cut-off packed document warns" grep -q "packed data ended before its end mark" err.txt
kwentool render example.bs 1 no/such/dir/x.bmp
check "an unwritable output is refused" same "$(rc)" 1

# Outputs never cost the user a file: not the document itself, not a device
# a name points at, not a regular file's bytes when the new one fails.
cp example.bs keep.bmp
kwentool render keep.bmp 1 keep.bmp
check "render over its own document is refused" same "$(rc):$(cat err.txt)" \
  "1:kwentool: keep.bmp is the document itself: it would be replaced"
check "... and the document keeps its bytes" cmp -s keep.bmp example.bs
cp book.kwen keep.kwen
kwentool unpack keep.kwen keep.kwen
check "unpack over its own document is refused" same "$(rc)" 1
check "... and the packed document keeps its bytes" cmp -s keep.kwen book.kwen
if [ -z "$runner" ]; then
  ln -s /dev/full full.bmp
  kwentool render example.bs 1 full.bmp
  check "a failed write to a device is an error" same "$(rc)" 1
  check "... that leaves the link and the device" test -L full.bmp -a -c /dev/full
  printf 'precious' >kept.bmp
  # Files of at most 1024 bytes: the 1138-byte page cannot be written.
  (trap "" XFSZ; ulimit -f 1; run "$tool" render book.bs 2 kept.bmp)
  check "a failed write is an error" same "$(rc)" 1
  check "... that keeps the file's bytes" same "$(cat kept.bmp)" "precious"
  check "... and leaves no part" test ! -e kept.bmp.part
  ln -s kept.bmp linked.bmp
  kwentool render example.bs 1 linked.bmp
  check "a render through a link replaces the file it points at" same "$(rc):$(stat -c %s kept.bmp)" "0:94"
  check "... and keeps the link" test -L linked.bmp
fi

finish kwentool
