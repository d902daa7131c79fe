#!/usr/bin/env bash
# Text layer benchmark: twenty manual pages at 300 dpi, clean (drawn 1-bit)
# and scan-like (drawn grey, blurred, noised, cut at mid-grey), made into
# searchable documents by `kwentool build --lossy --ocr` and into searchable
# PDFs by ocrmypdf (the same tesseract). Gives the word recall of a search
# against the source's own text (pdftotext of the manual's page: the share of
# its words a search finds on the right page), seconds per page on one core
# and on all, and the bytes the text adds. Writes bench/text-results.md (or
# the file given). Not a test: it measures. BUILD is the build folder
# (build/release by default).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
results=$(realpath -m "${1:-$root/bench/text-results.md}")
build=$(realpath -m "${BUILD:-$root/build/release}")
"$root/scripts/install-deps.sh"
manual_gz=/usr/share/doc/valgrind/valgrind_manual.pdf.gz
missing=()
for tool in pdftoppm:poppler-utils ocrmypdf:ocrmypdf tiff2pdf:libtiff-tools "$manual_gz:valgrind" python3:python3; do
  command -v "${tool%%:*}" >/dev/null || [ -e "${tool%%:*}" ] || missing+=("${tool#*:}")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKWEN_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target kwentool >/dev/null
kwentool=$build/kwentool

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cores=$(nproc)
first_page=20
page_count=20
seconds() { awk -v s="$1" -v e="$2" 'BEGIN { printf "%.2f", (e - s) / 1e9 }'; }
per_page() { awk -v s="$1" -v n="$page_count" 'BEGIN { printf "%.2f", s / n }'; }
size() { stat -c %s "$1"; }
timed() {  # timed VARIABLE COMMAND...: the seconds COMMAND takes
  local -n into=$1
  shift
  local start
  start=$(date +%s%N)
  "$@" >/dev/null 2>"$work/last-error" || { echo "failed: $*" >&2; cat "$work/last-error" >&2; exit 1; }
  into=$(seconds "$start" "$(date +%s%N)")
}

echo "making the pages" >&2
zcat "$manual_gz" >manual.pdf
last_page=$((first_page + page_count - 1))
for n in $(seq "$first_page" "$last_page"); do
  pdftotext -f "$n" -l "$n" manual.pdf "truth-$((n - first_page + 1)).txt"
done
pdftoppm -r 300 -mono -f "$first_page" -l "$last_page" manual.pdf clean
pdftoppm -r 300 -gray -f "$first_page" -l "$last_page" manual.pdf grey
for page in grey-*.pgm; do
  number=${page#grey-}
  convert "$page" -blur 0x1 -seed "${number%.pgm}" -attenuate 0.5 +noise Gaussian -threshold 50% \
    -type bilevel "scan-${number%.pgm}.pbm"
done

# The share of each page's words found, as a search finds them, in the text
# a reader has of that page: case ignored, words broken at a line's end joined.
recall() {  # recall PREFIX: reads PREFIX-N.txt beside truth-N.txt
  python3 - "$1" "$page_count" <<'PY'
import re, sys
prefix, pages = sys.argv[1], int(sys.argv[2])
def flat(text):
    text = re.sub(r"-\n\s*", "", text.lower())
    return " " + re.sub(r"\s+", " ", text) + " "
found = total = 0
for n in range(1, pages + 1):
    truth = open(f"truth-{n}.txt", encoding="utf-8", errors="replace").read().lower()
    words = [w.strip(".,;:()[]{}\"'`!?") for w in re.sub(r"-\n\s*", "", truth).split()]
    words = [w for w in words if len(w) >= 2 and re.search(r"[a-z0-9]", w)]
    page = flat(open(f"{prefix}-{n}.txt", encoding="utf-8", errors="replace").read())
    found += sum(1 for w in words if w in page)
    total += len(words)
print(f"{100.0 * found / total:.1f}")
PY
}

declare -A recall_of secs1 secs_all text_bytes doc_bytes plain_bytes
for set in clean scan; do
  echo "$set pages: kwentool" >&2
  pages=("$set"-*.pbm)
  timed t_plain "$kwentool" build --lossy --jobs "$cores" -o "$set-plain.kwen" "${pages[@]}"
  timed secs1[$set,ours] "$kwentool" build --lossy --ocr --jobs 1 -o "$set-one.kwen" "${pages[@]}"
  timed secs_all[$set,ours] "$kwentool" build --lossy --ocr --jobs "$cores" -o "$set.kwen" "${pages[@]}"
  doc_bytes[$set,ours]=$(size "$set.kwen")
  text_bytes[$set,ours]=$(($(size "$set.kwen") - $(size "$set-plain.kwen")))
  plain_bytes[$set]=$(size "$set-plain.kwen")
  for n in $(seq 1 "$page_count"); do "$kwentool" text "$set.kwen" "$n" >"$set-ours-$n.txt"; done
  recall_of[$set,ours]=$(recall "$set-ours")

  echo "$set pages: ocrmypdf" >&2
  for page in "${pages[@]}"; do
    convert "$page" -density 300 -units PixelsPerInch -compress Group4 "${page%.*}.tif"
  done
  tiffcp "${pages[@]/%.pbm/.tif}" "$set-in.tif"
  tiff2pdf -o "$set-in.pdf" "$set-in.tif"
  timed secs1[$set,peer] ocrmypdf -l eng --jobs 1 --output-type pdf "$set-in.pdf" "$set-peer-one.pdf"
  timed secs_all[$set,peer] ocrmypdf -l eng --jobs "$cores" --output-type pdf "$set-in.pdf" "$set-peer.pdf"
  doc_bytes[$set,peer]=$(size "$set-peer.pdf")
  text_bytes[$set,peer]=$(($(size "$set-peer.pdf") - $(size "$set-in.pdf")))
  for n in $(seq 1 "$page_count"); do pdftotext -f "$n" -l "$n" "$set-peer.pdf" "$set-peer-$n.txt"; done
  recall_of[$set,peer]=$(recall "$set-peer")
done

share() { awk -v t="$1" -v d="$2" 'BEGIN { printf "%.1f", 100 * t / d }'; }
{
  echo "# Text layer: recall, speed and bytes"
  echo
  echo "Pages $first_page-$last_page of the valgrind manual at 300 dpi: clean (drawn 1-bit) and"
  echo "scan-like (drawn grey, blurred 1 px, Gaussian noise, cut at mid-grey). Recall: the share"
  echo "of each page's words (pdftotext of the manual's page, two letters or more) a search"
  echo "finds in that page's text, case ignored. Ours: \`kwentool build --lossy --ocr\`, the text"
  echo "by \`kwentool text\`; ocrmypdf $(ocrmypdf --version 2>/dev/null | head -n 1): \`--output-type pdf\`"
  echo "on a Group 4 PDF of the same pages, the text by pdftotext. $cores cores, $(date +%Y-%m-%d)."
  echo
  echo "| pages | tool | recall % | s/page, 1 job | s/page, $cores jobs | document bytes | text bytes | text % |"
  echo "|---|---|---|---|---|---|---|---|"
  for set in clean scan; do
    for tool in ours peer; do
      name=$([ "$tool" = ours ] && echo "kwentool build --ocr" || echo "ocrmypdf")
      echo "| $set | $name | ${recall_of[$set,$tool]} | $(per_page "${secs1[$set,$tool]}") |" \
        "$(per_page "${secs_all[$set,$tool]}") | ${doc_bytes[$set,$tool]} | ${text_bytes[$set,$tool]} |" \
        "$(share "${text_bytes[$set,$tool]}" "${doc_bytes[$set,$tool]}") |"
    done
  done
  echo
  echo "Text bytes: ours, the document with text less the same build without; ocrmypdf's, its"
  echo "PDF less the Group 4 PDF it was given (the pages' images are kept as they are)."
} >"$results"
cat "$results"
