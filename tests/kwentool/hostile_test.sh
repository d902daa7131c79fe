#!/usr/bin/env bash
# kwentool against small hostile documents and page images: each is refused
# with a message or shown, without a crash or a hang, and (natively) within
# 1 GiB of memory; and the same for the fuzzing seeds of documents and
# page images, so that they pass through the Windows build too.
# Usage: hostile_test.sh KWENTOOL MAKE_HOSTILE PAGE_SEEDS IMAGE_SEEDS [RUNNER]
set -u
tool=$(realpath "$1")
make_hostile=$(realpath "$2")
page_seeds=$(realpath "$3")
image_seeds=$(realpath "$4")
runner=${5:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
source "$here/../shell_checks.sh"

# A hang guard, not a measure: Wine alone takes a second or two to start.
limit_seconds=30
limit_memory_kb=$((1024 * 1024))
# The sanitizers reserve address space far beyond any memory limit.
capped() { [ -z "$runner" ] && ! grep -q __asan_init "$tool"; }
kwentool() {
  if capped; then
    run bash -c "ulimit -v $limit_memory_kb; exec timeout $limit_seconds \"\$@\"" - "$tool" "$@"
  else
    run timeout $limit_seconds $runner "$tool" "$@"
  fi
}
# Exit 0, or exit 1 with a message: never a crash, a hang or an abort.
handled() {
  case "$(rc)" in
    0) return 0 ;;
    1) grep -q '^kwentool: ' err.txt ;;
    *) echo "  exit $(rc): $(head -c 200 err.txt)"; return 1 ;;
  esac
}

$runner "$make_hostile" . >/dev/null 2>&1
check "the hostile files are made" test -s trailing_bomb.kwen

cp "$page_seeds"/*.bs .
for doc in *.bs *.kwen; do
  kwentool info "$doc"
  check "info of $doc is handled" handled
  kwentool render "$doc" 1 "$doc.bmp"
  check "render of $doc is handled" handled
  [ "$(rc)" = 1 ] && check "a refused render of $doc leaves no file" test ! -e "$doc.bmp"
done

expect() {  # expect COMMAND... -- STATUS MESSAGE
  local args=()
  while [ "$1" != "--" ]; do args+=("$1"); shift; done
  kwentool "${args[@]}"
  check "${args[*]}" same "$(rc):$(head -n 1 err.txt)" "$2:$3"
}
expect info zero_bit_page.bs -- 1 "kwentool: Process failed since BITMAP has 0 bits per pixel"
expect info compact_tall_picture.kwen -- 1 "kwentool: Error memory allocation"
expect render compact_tall_picture.bs 1 x.bmp -- 1 "kwentool: Error memory allocation"
expect info table_bomb.kwen -- 1 "kwentool: The page table holds more than 999 pages"
expect info references_to_tall_spot.bs -- 0 ""
check "info counts every reference" grep -q "1001 spots, 1000 references" out.txt
expect render thin_tall_spots.bs 1 thin.bmp -- 0 ""
expect render compact_without_width.bs 1 x.bmp -- 0 ""

# A page of 1.75 GiB whose spot is refused before the bitmap is set aside.
expect render widest_page_bad_spot.bs 1 widest.bmp -- 1 "kwentool: A spot refers to a place outside the document"

# A document of one page followed by gigabytes: only the page is restored.
expect render trailing_bomb.kwen 1 bomb.bmp -- 0 ""
kwentool unpack trailing_bomb.kwen bomb.bs
check "unpack keeps just the document" same "$(rc):$(stat -c %s bomb.bs)" "0:81"
check "unpack warns of what follows it" grep -q "goes on past the document's last page" err.txt
cp trailing_bomb.kwen bomb-copy.kwen
kwentool repack trailing_bomb.kwen repacked.kwen
check "repack packs just the document" same "$(rc):$(grep -c "past the document's last page" err.txt)" "0:1"
kwentool unpack repacked.kwen repacked.bs
check "... which restores as the page" cmp -s bomb.bs repacked.bs
check "... and keeps the input's bytes" cmp -s trailing_bomb.kwen bomb-copy.kwen

# 2^24 isolated dots: more spots than a page holds, stored as one picture.
kwentool build -o dots.kwen isolated_dots.png
check "a page of dots builds" same "$(rc)" 0
kwentool info dots.kwen
check "... as one picture" grep -q "^page 1: 8192 x 8192, 1 bits per pixel, 2 colours, 1 spots," out.txt

for image in wide_product.ppm widest.ppm wide_plain.pgm; do
  kwentool build -o out.kwen "$image"
  check "build refuses $image naming it" same "$(rc):$(tail -n 1 err.txt)" \
    "1:kwentool: $image is not a readable image (is larger than 67108864 pixels)"
  check "the refused build of $image writes nothing" test ! -e out.kwen -a ! -e out.kwen.part
done

# Cut-off and damaged page images, refused naming the file before any
# memory is set aside for their pixels: a BMP of 64 x 64 with 300 of its
# 12,288 pixel bytes, one of 154 bytes that declares 8192 x 8192, and a
# progressive JPEG whose Huffman table counts 258 codes (the Windows build's
# decoder wrote past its table).
cp "$image_seeds"/cut_short.bmp "$image_seeds"/huge_declared.bmp "$image_seeds"/flipped_progressive.jpg .
refused_image() {  # refused_image MESSAGE COMMAND...
  local message=$1
  shift
  kwentool "$@"
  check "$* is refused" eval \
    '[ "$(rc)" = 1 ] && grep -qxF -- "$message" err.txt || { echo "  $(rc): $(cat err.txt)"; false; }'
}
refused_image "kwentool: cut_short.bmp is cut short (its pixels need 12342 bytes, the file has 354)" \
  build -o out.kwen cut_short.bmp
refused_image "kwentool: cut_short.bmp is cut short (it ends inside its bitmap of 12288 bytes)" \
  render cut_short.bmp 1 refused.bmp
refused_image "kwentool: huge_declared.bmp is cut short (its pixels need 201326646 bytes, the file has 154)" \
  build -o out.kwen huge_declared.bmp
refused_image "kwentool: huge_declared.bmp is cut short (it ends inside its bitmap of 201326592 bytes)" \
  render huge_declared.bmp 1 refused.bmp
kwentool build -o out.kwen flipped_progressive.jpg
check "build refuses a JPEG of too many Huffman codes" eval \
  '[ "$(rc)" = 1 ] && grep -q "^kwentool: flipped_progressive.jpg is not a readable image (.*)$" err.txt'
check "the refused builds write nothing" test ! -e out.kwen -a ! -e out.kwen.part -a ! -e refused.bmp

for image in "$image_seeds"/*; do
  kwentool build -o seed.kwen "$image"
  check "build of the seed $(basename "$image") is handled" handled
done

# PDF pages drawn in a child within a time and memory limit: a plain page
# builds; forms nested ten deep, an image declared 150,000 pixels square
# and a page of too much memory are stopped at their limit, 1/100-point
# tiles at the library's first complaint; each with one message naming the
# page (the library's own complaints kept out), nothing written.
pdf_refused() {  # pdf_refused MESSAGE BUILD-ARGUMENTS...
  local message=$1
  shift
  kwentool build -o pdf.kwen "$@"
  check "build $* is refused" same "$(rc):$(grep -v '^page [0-9]* of' err.txt)" "1:kwentool: $message"
  check "... and writes nothing" test -z "$(ls pdf.kwen* 2>/dev/null)"
}
if $runner "$tool" --help | grep -q "TIFF or PDF\.$"; then
  kwentool build -o pdf.kwen nested_forms.pdf:1
  check "the plain page of nested_forms.pdf builds" same "$(rc)" 0
  rm -f pdf.kwen
  pdf_refused "nested_forms.pdf page 2 took longer than 2 s to draw (raise the limit with --pdf-timeout)" \
    --pdf-timeout 2 nested_forms.pdf
  pdf_refused "image_bomb.pdf page 1 took longer than 2 s to draw (raise the limit with --pdf-timeout)" \
    --pdf-timeout 2 image_bomb.pdf
  pdf_refused "tiny_tiles.pdf page 1 is damaged (drawing it asks for an impossible amount of memory)" tiny_tiles.pdf
  # A page of 6800 x 8800 pixels, whose bitmap alone takes 228 MiB (not
  # under the sanitizers, which reserve address space beyond any limit).
  capped && pdf_refused \
    "nested_forms.pdf page 2 needs more than 100 MiB of memory to draw (raise the limit with --pdf-memory)" \
    --dpi 800 --pdf-memory 100 nested_forms.pdf:2
fi

finish hostile
