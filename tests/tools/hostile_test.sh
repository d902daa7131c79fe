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
expect info compact_tall_picture.kwen -- 1 "kwentool: Error of ReadBufSgnCompact"
expect render compact_tall_picture.bs 1 x.bmp -- 1 "kwentool: Error memory allocation"
expect info table_bomb.kwen -- 1 "kwentool: The page table holds more than 999 pages"
expect info references_to_tall_spot.bs -- 0 ""
check "info counts every reference" grep -q "1001 spots, 1000 references" out.txt
expect render thin_tall_spots.bs 1 thin.bmp -- 0 ""
expect render compact_without_width.bs 1 x.bmp -- 0 ""

# A document of one page followed by gigabytes: only the page is restored.
expect render trailing_bomb.kwen 1 bomb.bmp -- 0 ""
kwentool unpack trailing_bomb.kwen bomb.bs
check "unpack keeps just the document" same "$(rc):$(stat -c %s bomb.bs)" "0:81"
check "unpack warns of what follows it" grep -q "goes on past the document's last page" err.txt

for image in wide_product.ppm widest.ppm wide_plain.pgm; do
  kwentool build -o out.kwen "$image"
  check "build refuses $image naming it" same "$(rc):$(tail -n 1 err.txt)" \
    "1:kwentool: $image is not a readable image (is larger than 67108864 pixels)"
  check "the refused build of $image writes nothing" test ! -e out.kwen -a ! -e out.kwen.part
done

for image in "$image_seeds"/*; do
  kwentool build -o seed.kwen "$image"
  check "build of the seed $(basename "$image") is handled" handled
done

finish hostile
