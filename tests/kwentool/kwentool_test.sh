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
# refused STATUS MESSAGE: the last run ended so, with that message (if given).
refused() { local message=${2:-}; same "$(rc):$(head -c ${#message} err.txt)" "$1:$message"; }

kwentool --help
check "--help exits 0" same "$(rc)" 0
for phrase in 'render DOC PAGES OUT' '\.pgm  raw PGM' 'build \[OPTIONS\] -o BOOK.kwen PAGE' '--pack best' \
  'repack IN.kwen OUT.kwen' '--lossy' '1/100 inch' '--pdf-timeout S' '--pdf-memory M' '--mode M' '--jobs N'; do
  check "--help tells $phrase" grep -q -- "$phrase" out.txt
done
cp out.txt help.txt
kwentool build --help
check "a command's --help is the same help" same "$(rc):$(cat out.txt)" "0:$(cat help.txt)"

cp "$data/worked_example.bs" example.bs
kwentool info example.bs
check "info of an unpacked document" same "$(cat out.txt)" "pages: 1
page 1: 16 x 8, 1 bits per pixel, 2 colours, 2 spots, 1 references, 0 compact pictures
text: none"
kwentool render example.bs 1 bitonal.Bmp
expected=$(printf '%s\n' "................" "................" "................" "..####..####...." \
  "..#..#..#..#...." "..####..####...." "................" "................")
got=$(convert bitonal.Bmp -depth 1 txt:- | awk 'NR > 1 { split($1, p, "[,:]"); c = ($0 ~ /black|#000000/) ? "#" : "."; rows[p[2]] = rows[p[2]] c } END { for (y = 0; y < 8; y++) print rows[y] }')
check "ImageMagick reads the rendered page" same "$got" "$expected"

# A packed document (packed pages are rendered in kwentool_build_test).
"$durmo" a book.kwen "$data/two_pages.bs" >/dev/null 2>&1
cp "$data/two_pages.bs" book.bs
kwentool info book.kwen
check "info counts compact pictures" grep -q "page 1: 20 x 12, 24 bits per pixel, 0 colours, 2 spots, 0 references, 1 compact pictures" out.txt

# Plain BMP files in each depth ImageMagick writes uncompressed.
convert -size 61x37 gradient:red-blue -swirl 90 source.png
n=0
for variant in "-type bilevel" "-type bilevel BMP3:" "-type palette -colors 16 -compress none" \
  "-type palette -compress none" "-type palette -compress none BMP3:" "-type truecolor" "-type truecolor BMP3:" \
  "-type grayscale -compress none"; do
  n=$((n + 1))
  prefix=""
  options=$variant
  case "$variant" in *BMP3:) prefix="BMP3:"; options=${variant% BMP3:} ;; esac
  convert source.png $options "${prefix}plain$n.bmp"
  kwentool render "plain$n.bmp" 1 "render$n.bmp"
  check "BMP '$variant' keeps its pixels" same_pixels "plain$n.bmp" "render$n.bmp"
done
convert source.png -type palette rle.bmp
kwentool render rle.bmp 1 x.bmp
check "a compressed BMP is refused" refused 1 "kwentool: Process failed since BITMAP has compressed format"
check "... leaving no file" test ! -e x.bmp

# The output's extension, in any case, gives the format. A .bmp is the
# viewer's export, byte for byte as it has always been written.
kwentool render book.bs 1 colour.BMP
kwentool render book.bs 2 grey.bmp
check "BMP bytes of 24-bit, 8-bit paletted and 1-bit pages" same "$(cksum <colour.BMP; cksum <grey.bmp; cksum <bitonal.Bmp)" \
  "1507303335 774
2988783807 1138
3360918925 94"
# Every other format holds the BMP render's pixels.
while read -r doc page out reference; do
  kwentool render "$doc" "$page" "$out"
  check "$out holds the page's pixels" same_pixels "$reference" "$out"
done <<'RENDERS'
book.bs 1 colour.png colour.BMP
book.bs 1 colour.PPM colour.BMP
book.bs 2 grey.Png grey.bmp
book.bs 2 grey.ppm grey.bmp
book.bs 2 grey.pgm grey.bmp
example.bs 1 bitonal.png bitonal.Bmp
example.bs 1 bitonal.ppm bitonal.Bmp
example.bs 1 bitonal.pgm bitonal.Bmp
example.bs 1 bitonal.pbm bitonal.Bmp
RENDERS
# Byte 25 of a PNG is its colour type: 0 grey, 2 RGB.
png_type() { od -An -tu1 -j25 -N1 "$1" | tr -d ' '; }
check "PNG colour types: RGB, grey, grey" same "$(png_type colour.png) $(png_type grey.Png) $(png_type bitonal.png)" "2 0 0"
check "raw PNM kinds" same "$(head -c 2 colour.PPM) $(head -c 2 grey.pgm) $(head -c 2 bitonal.pbm)" "P6 P5 P4"
# A 24-bit page of black and white only is a PBM too; a 16-bit page is
# 5-5-5 (3 x 1: red, green, grey 16 of 31).
convert -size 20x10 xc:white -fill black -draw 'rectangle 2,2 8,6' -type truecolor bw24.bmp
kwentool render bw24.bmp 1 bw24.pbm
check "a 24-bit page of black and white is a PBM" same_pixels bw24.bmp bw24.pbm
printf 'BM\076\0\0\0\0\0\0\0\066\0\0\0\050\0\0\0\003\0\0\0\001\0\0\0\001\0\020\0\0\0\0\0\010\0\0\0' >high.bmp
printf '\023\013\0\0\023\013\0\0\0\0\0\0\0\0\0\0\000\174\340\003\020\102\0\0' >>high.bmp
kwentool render high.bmp 1 high.ppm
check "16-bit pixels widen to 8 bits" same "$(tail -c 9 high.ppm | od -An -tu1 | tr -s ' ')" " 255 0 0 0 255 0 132 132 132"
kwentool render book.bs 1 colour.pbm
check "a colour page is no PBM" refused 1 "kwentool: page 1: a .pbm file holds black and white only, and the page has other colours"
kwentool render book.bs 2 grey.pbm
check "a page of greys is no PBM" refused 1
kwentool render book.bs 1 colour.pgm
check "a colour page is no PGM" refused 1 "kwentool: page 1: a .pgm file holds greys only, and the page has colours"
check "... and the refusals write nothing" test ! -e colour.pbm -a ! -e grey.pbm -a ! -e colour.pgm

# Several pages: a document of five pages, each a bar in its own place.
for i in 1 2 3 4 5; do
  convert -size 24x16 xc:white -fill black -draw "rectangle $((3 * i)),2 $((3 * i + 4)),12" "bar$i.pbm"
done
kwentool build -o five.kwen bar1.pbm bar2.pbm bar3.pbm bar4.pbm bar5.pbm
# outputs DIR NAMES...: the folder holds those files and nothing else.
outputs() { local dir=$1; shift; same "$(cd "$dir" && echo $(ls))" "$*"; }
mkdir some every span beyond
kwentool render five.kwen 2,4-5 some/bar-%03d.pbm
check "a list and a range render each page to its own name" outputs some bar-002.pbm bar-004.pbm bar-005.pbm
for i in 2 4 5; do check "... page $i in its file" same_pixels "bar$i.pbm" "some/bar-00$i.pbm"; done
check "... with progress" same "$(cat err.txt)" "page 1 of 3
page 2 of 3
page 3 of 3"
kwentool render five.kwen all every/%d.PNG
check "all pages render" outputs every 1.PNG 2.PNG 3.PNG 4.PNG 5.PNG
for i in 1 2 3 4 5; do check "... page $i in its file" same_pixels "bar$i.pbm" "every/$i.PNG"; done
kwentool render five.kwen 3-4,1 span/p%02d.bmp
kwentool render five.kwen 3 single.bmp
check "a range and a page render; a single page the same" same "$(cd span && echo *):$(cmp single.bmp span/p03.bmp)" \
  "p01.bmp p03.bmp p04.bmp:"
kwentool render five.kwen 3 one-%d.ppm
check "a single page takes a pattern too, without progress" same "$(ls one-*):$(cat err.txt)" "one-3.ppm:"
kwentool render five.kwen 4-6 beyond/%d.png
check "a page beyond the document is refused" refused 1 "kwentool: five.kwen has no page 6 (it has 5)"
check "... before anything is written" outputs beyond

# Usage errors (exit 2) write nothing: one of each check render makes (what
# each check refuses is page_list_test's, output_pattern_test's).
for args in "example.bs 1 x.jpg" "book.bs 1-2 x.png" "book.bs all x%d%d.png" "example.bs one x.bmp"; do
  kwentool render $args
  check "render $args is a usage error" refused 2
done
kwentool render example.bs 1 x.jpg
check "... naming the formats" grep -q "\.bmp, \.png, \.pbm, \.pgm or \.ppm: x.jpg" err.txt
check "... and none wrote a file" same "$(ls x* 2>/dev/null)" ""
kwentool frobnicate
check "an unknown command is a usage error" grep -q "unknown command 'frobnicate'" err.txt
kwentool
check "no command is a usage error" refused 2

# Documents that cannot be rendered (exit 1).
printf 'hello' >text.txt
head -c 70 "$data/worked_example.bs" >cut.bs
printf 'KWEN\0\0\0\0' >old.bs
head -c 40 book.kwen >cutbook.kwen
while IFS='|' read -r command message; do
  kwentool $command
  check "$command is refused" refused 1 "$message"
done <<'REFUSED'
render text.txt 1 x.bmp|kwentool: text.txt is not a kwen document or a BMP picture
render missing.kwen 1 x.bmp|
render example.bs 2 x.bmp|kwentool: example.bs has no page 2 (it has 1)
render cut.bs 1 x.bmp|kwentool: Read BITMAP RGB Table Failed
info old.bs|kwentool: Not supported old KWEN file format
render example.bs 1 no/such/dir/x.bmp|
REFUSED
kwentool info cutbook.kwen
check "a cut-off packed document warns" grep -q "packed data ended before its end mark" err.txt

# Outputs never cost the user a file: not the document itself, not a device
# a name points at, not a regular file's bytes when the new one fails.
cp book.bs d2.bmp
kwentool render d2.bmp all d%d.bmp
check "a pattern naming the document is refused" refused 1 "kwentool: d2.bmp is the document itself: it would be replaced"
check "... before any page is written, the document kept" same "$(ls d*.bmp):$(cmp d2.bmp book.bs)" "d2.bmp:"
cp example.bs keep.bmp
kwentool render keep.bmp 1 keep.bmp
check "render over its own document is refused, keeping it" same "$(rc):$(cmp keep.bmp example.bs)" "1:"
cp book.kwen keep.kwen
kwentool unpack keep.kwen keep.kwen
check "unpack over its own document is refused, keeping it" same "$(rc):$(cmp keep.kwen book.kwen)" "1:"
# The Windows build reads no text from pages (the native one is tested in
# kwentool_text_test.sh).
if [ -n "$runner" ]; then
  for command in "build --ocr -o ocr.kwen example.bs" "ocr book.kwen ocr.kwen"; do
    # shellcheck disable=SC2086
    kwentool $command
    check "$command: this build cannot recognise text" \
      same "$(rc):$(cat err.txt):$(ls ocr.kwen 2>/dev/null)" \
      "1:kwentool: this build of kwentool cannot recognise text (the Linux build can):"
  done
fi
if [ -z "$runner" ]; then
  ln -s /dev/full full.bmp
  kwentool render example.bs 1 full.bmp
  check "a failed write to a device is an error that leaves the link" same "$(rc):$(test -L full.bmp && echo link)" "1:link"
  printf 'precious' >kept.bmp
  # Files of at most 1024 bytes: the 1138-byte page cannot be written.
  (trap "" XFSZ; ulimit -f 1; run "$tool" render book.bs 2 kept.bmp)
  check "a failed write keeps the file's bytes, no part left" same "$(rc):$(cat kept.bmp):$(ls kept.bmp.part 2>/dev/null)" \
    "1:precious:"
  ln -s kept.bmp linked.bmp
  kwentool render example.bs 1 linked.bmp
  check "a render through a link replaces the file it points at" same "$(rc):$(stat -c %s kept.bmp)" "0:94"
  check "... and keeps the link" test -L linked.bmp
  # A link where the old fixed temporary name lay receives nothing.
  printf 'victim' >victim.txt
  ln -s victim.txt z.bmp.part
  kwentool render example.bs 1 z.bmp
  check "a planted link beside the output is not followed" same "$(rc):$(cat victim.txt):$(test -L z.bmp.part && echo link)" \
    "0:victim:link"
  check "... and the output is a file of its own" test -f z.bmp -a ! -L z.bmp
  # Stopped at any moment (a shell's background job ignores SIGINT, so
  # SIGTERM and SIGHUP stand for Ctrl+C), a render leaves no temporary: a page
  # of 100 MB takes long enough to be caught writing.
  mkdir interrupted
  convert -size 6000x6000 xc:white -type truecolor big.bmp
  for delay in 0.05 0.2 0.5; do
    for signal in TERM HUP; do
      "$tool" render big.bmp 1 interrupted/page.ppm >/dev/null 2>&1 &
      sleep "$delay"
      kill -s "$signal" $! 2>/dev/null
      wait $! 2>/dev/null
    done
  done
  check "interrupted renders leave no temporary" same "$(ls -A interrupted | grep -v '^page.ppm$')" ""
fi
# Inputs named like the old fixed temporary: never taken as the output's.
cp example.bs p.bmp.part
kwentool render p.bmp.part 1 p.bmp
check "render from OUT.part keeps its document" same "$(rc):$(cmp p.bmp.part example.bs)" "0:"
cp book.bs u.bs.part
kwentool unpack book.kwen u.bs
check "unpack beside a file named OUT.part keeps that file" same "$(rc):$(cmp u.bs.part book.bs):$(cmp u.bs book.bs)" "0::"
printf 'unrelated' >y.bmp.part
kwentool render example.bs 1 y.bmp
check "an unrelated OUT.part keeps its bytes" same "$(rc):$(cat y.bmp.part)" "0:unrelated"

finish kwentool
