#!/usr/bin/env bash
# kwentool build --clean and --lossy from outside, on scan-like pages of known
# text (rendered by ImageMagick, blurred, with Gaussian noise of a fixed seed,
# cut at mid-grey): specks go and dots stay, the lossy pages read (by OCR)
# as the scans do, and clean pages keep their bytes. About 5 seconds, most
# of it OCR.
# Usage: kwentool_scan_test.sh KWENTOOL PAGES_DIR [RUNNER]
set -u
tool=$(realpath "$1")
pages=$(realpath "$2")
runner=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
source "$here/../shell_checks.sh"

kwentool() { run $runner "$tool" "$@"; }
different_pixels() { compare -metric AE "$1" "$2" null: 2>&1; }
ocr() { OMP_THREAD_LIMIT=1 tesseract "$1" - --psm 6 2>/dev/null | tr -s ' \n' ' ' | sed 's/ *$//'; }

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

kwentool --help
check "--help describes --clean and --lossy" grep -q -- "--clean .*--lossy\|--lossy" out.txt
check "--help tells the speck rule" grep -q "1/100 inch" out.txt

# --- --clean: the specks go, everything else (the dots of i and j, the full
# stops) stays.
kwentool build --clean --verbose -o clean.kwen specks1.png scan2.png
check "--clean reports the specks of page 1" grep -q "clean: ${#specks[@]} specks removed ($((4 * ${#specks[@]})) pixels)" out.txt
check "--clean finds none on page 2" grep -q "clean: 0 specks removed" out.txt
kwentool render clean.kwen 1 clean1.png
check "the cleaned page is the scan without its specks" same "$(different_pixels clean1.png scan1.png)" 0

# Clean pages have no specks: --clean changes no byte of the sample's pages.
cp "$pages"/text-1.png "$pages"/text-2.png .
kwentool build -o plain.kwen text-1.png text-2.png
kwentool build --clean -o plain-clean.kwen text-1.png text-2.png
check "--clean keeps clean pages byte for byte" cmp -s plain.kwen plain-clean.kwen

# --- --lossy: fewer bytes, and the pages read as the scans do.
kwentool build -o lossless.kwen scan1.png scan2.png
kwentool build --lossy --verbose -o lossy.kwen scan1.png scan2.png
check "--lossy reports classes, matches and changed pixels for each page" \
  same "$(grep -c '^  lossy: [0-9]* shapes, [0-9]* matches, [0-9]* new classes ([0-9]* in the document), [0-9]* pixels changed$' out.txt)" 2
matches=$(awk '$1 == "lossy:" { sum += $4 } END { print sum }' out.txt)
check "most shapes are matched" test "$matches" -gt 300
check "--lossy is smaller" test "$(stat -c %s lossy.kwen)" -lt "$(stat -c %s lossless.kwen)"
for n in 1 2; do
  kwentool render lossy.kwen $n lossy$n.png
  check "lossy page $n differs from its scan" test "$(different_pixels lossy$n.png scan$n.png)" -gt 0
  expected=$(echo "${texts[n - 1]}" | tr -s ' \n' ' ' | sed 's/ *$//')
  check "the scan of page $n reads as its text" same "$(ocr scan$n.png)" "$expected"
  check "lossy page $n reads as its scan" same "$(ocr lossy$n.png)" "$expected"
done

# Both together, with a colour page, which neither option touches.
cp "$pages"/colour.png .
kwentool build --clean --lossy -o both.kwen specks1.png colour.png scan2.png
kwentool render both.kwen 2 colour-back.png
check "the colour page comes back exactly" same "$(different_pixels colour-back.png colour.png)" 0
kwentool render both.kwen 1 both1.png
check "the first page lost its specks" same "$(different_pixels both1.png specks1.png)" \
  "$(($(different_pixels both1.png scan1.png) + 4 * ${#specks[@]}))"

finish kwentool_scan
