#!/usr/bin/env bash
# Document building benchmark: text pages rendered at 300 dpi from PDF
# manuals installed on the machine, made into one document by kwentool build,
# beside the same pages as DjVu (cjb2, lossless), as PNG and as Group 4 TIFF;
# then the peak signal-to-noise ratio and size of a photograph-like page at
# each quality. Writes bench/build-results.md. Not a test: it measures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
results=${1:-$root/bench/build-results.md}
"$root/scripts/install-deps.sh"
for tool in pdftoppm:poppler-utils cjb2:djvulibre-bin; do
  command -v "${tool%%:*}" >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${tool#*:}" >/dev/null
done
cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=Release -DKWEN_TESTS=OFF >/dev/null
cmake --build "$root/build/release" -j "$(nproc)" --target kwentool >/dev/null
kwentool="$root/build/release/kwentool"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Ten pages of running text from each manual found (first page, count).
manuals=(
  "/usr/share/doc/bzip2/manual.pdf.gz 3 10"
  "/usr/share/doc/valgrind/valgrind_manual.pdf.gz 20 10"
  "/usr/share/doc/nettle-dev/nettle.pdf.gz 8 10"
  "/usr/share/doc/gnucobol3/gnucobol.pdf.gz 10 10"
  "/usr/share/doc/libtasn1-doc/libtasn1.pdf 5 10")
sources=()
for entry in "${manuals[@]}"; do
  read -r pdf first count <<<"$entry"
  [ -e "$pdf" ] || continue
  name=$(basename "${pdf%%.pdf*}")
  case "$pdf" in *.gz) zcat "$pdf" >"$name.pdf" ;; *) cp "$pdf" "$name.pdf" ;; esac
  pdftoppm -r 300 -mono -f "$first" -l $((first + count - 1)) "$name.pdf" "page-$name"
  sources+=("$name")
done
[ ${#sources[@]} -gt 0 ] || { echo "no PDF manuals found under /usr/share/doc" >&2; exit 1; }
pages=(page-*.pbm)
sizes=$(for p in "${pages[@]}"; do head -c 20 "$p" | awk 'NR == 2 { print $1 " x " $2 }'; done | sort -u | paste -sd, - | sed 's/,/ or /g')

seconds() { awk -v s="$1" -v e="$2" 'BEGIN { printf "%.2f", (e - s) / 1e9 }'; }
total() { local sum=0 f; for f in "$@"; do sum=$((sum + $(stat -c %s "$f"))); done; echo "$sum"; }
raw=$(total "${pages[@]}")

start=$(date +%s%N)
"$kwentool" build -o book.kwen "${pages[@]}" >report.txt 2>/dev/null
kwen_time=$(seconds "$start" "$(date +%s%N)")
kwen_size=$(stat -c %s book.kwen)
# Every page builds back exactly: the builder checks that, and so do we here
# on the first and the last.
for n in 1 ${#pages[@]}; do
  "$kwentool" render book.kwen "$n" check.bmp
  [ "$(compare -metric AE check.bmp "${pages[$((n - 1))]}" null: 2>&1)" = "0" ] || { echo "page $n differs" >&2; exit 1; }
done

start=$(date +%s%N)
for p in "${pages[@]}"; do cjb2 -dpi 300 "$p" "${p%.pbm}.djvu"; done
djvu_time=$(seconds "$start" "$(date +%s%N)")
djvu_size=$(total page-*.djvu)

start=$(date +%s%N)
for p in "${pages[@]}"; do convert "$p" "${p%.pbm}.png"; done
png_time=$(seconds "$start" "$(date +%s%N)")
png_size=$(total page-*.png)

start=$(date +%s%N)
for p in "${pages[@]}"; do convert "$p" -compress Group4 "${p%.pbm}.tif"; done
tiff_time=$(seconds "$start" "$(date +%s%N)")
tiff_size=$(total page-*.tif)

percent() { awk -v a="$1" -v b="$raw" 'BEGIN { printf "%.2f", 100 * a / b }'; }
per_page() { awk -v a="$1" -v n="${#pages[@]}" 'BEGIN { printf "%.0f", a / n }'; }

# A photograph-like page at 150 dpi, lossless and at each quality.
convert -size 1275x1650 -seed 11 plasma:fractal -blur 0x1.5 -depth 8 photo.png
"$kwentool" build -o photo.kwen photo.png >/dev/null 2>&1
photo_lossless=$(stat -c %s photo.kwen)
photo_png=$(stat -c %s photo.png)
quality_rows=""
for q in 100 90 75 50 25 10 1; do
  start=$(date +%s%N)
  "$kwentool" build --quality "$q" --verbose -o photo.kwen photo.png >q.txt 2>/dev/null
  q_time=$(seconds "$start" "$(date +%s%N)")
  psnr=$(grep -o 'PSNR [0-9.]*' q.txt | cut -d' ' -f2)
  quality_rows+="| $q | $psnr | $(stat -c %s photo.kwen) | $q_time |"$'\n'
done

{
  echo "# Building documents"
  echo
  echo "Measured $(date -u +%Y-%m-%d) on $(nproc) cores: ${#pages[@]} pages of ${sizes} pixels (300 dpi, black and white),"
  echo "rendered by pdftoppm from ${sources[*]}; $raw bytes as raw PBM."
  echo
  echo "| format | bytes | per page | % of PBM | seconds |"
  echo "|---|---|---|---|---|"
  echo "| kwentool build (one .kwen) | $kwen_size | $(per_page "$kwen_size") | $(percent "$kwen_size") | $kwen_time |"
  echo "| DjVu, cjb2 lossless (one file a page) | $djvu_size | $(per_page "$djvu_size") | $(percent "$djvu_size") | $djvu_time |"
  echo "| PNG, 1 bit (one file a page) | $png_size | $(per_page "$png_size") | $(percent "$png_size") | $png_time |"
  echo "| TIFF, Group 4 (one file a page) | $tiff_size | $(per_page "$tiff_size") | $(percent "$tiff_size") | $tiff_time |"
  echo
  echo "Pages with grey code blocks are dithered by pdftoppm into single dots: most of the inline masks are"
  echo "those dots, one pixel thin, which hold no bits. The document's report:"
  echo
  sed 's/^/    /' report.txt
  echo
  echo "## Compact-coded pictures"
  echo
  echo "A photograph-like page of 1275 x 1650 pixels (ImageMagick plasma, blurred): $photo_png bytes as PNG,"
  echo "$photo_lossless bytes as a lossless .kwen. PSNR is of the page as the viewer decodes it, against the input."
  echo
  echo "| quality | PSNR dB | .kwen bytes | seconds |"
  echo "|---|---|---|---|"
  printf '%s' "$quality_rows"
} | tee "$results"
