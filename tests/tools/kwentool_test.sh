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
check "--help names render" grep -q "render DOC PAGE OUT.bmp" out.txt

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
  done
  convert source.png -type palette rle.bmp
  kwentool render rle.bmp 1 x.bmp
  check "a compressed BMP is refused" same "$(rc):$(cat err.txt)" "1:kwentool: Process failed since BITMAP has compressed format"
  check "the refused render leaves no file" test ! -e x.bmp
fi

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
cp example.bs keep.bs
kwentool render keep.bs 1 keep.bs
check "render over its own document is refused" same "$(rc):$(cat err.txt)" \
  "1:kwentool: keep.bs is the document itself: it would be replaced"
check "... and the document keeps its bytes" cmp -s keep.bs example.bs
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
