#!/usr/bin/env bash
# Document building benchmark: text pages rendered at 300 dpi from PDF
# manuals installed on the machine, made into one document by kwentool build,
# beside the same pages as DjVu (cjb2, lossless), as PNG and as Group 4 TIFF;
# then scan-like copies of the first ten pages (blurred, Gaussian noise of a
# fixed seed, cut at mid-grey; and a noisier set) through kwentool's lossless,
# --clean and --lossy builds beside cjb2 (lossless and -lossy), minidjvu
# (multi-page, with and without its lossy matching), PNG and a multi-page
# Group 4 TIFF; then the peak signal-to-noise ratio and size of a
# photograph-like page at each quality. Writes bench/build-results.md. Not a
# test: it measures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
results=${1:-$root/bench/build-results.md}
"$root/scripts/install-deps.sh"
for tool in pdftoppm:poppler-utils cjb2:djvulibre-bin minidjvu:minidjvu tiffcp:libtiff-tools; do
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

# --- Scan-like pages: the first ten, blurred, with noise, cut at mid-grey.
scan_count=10
originals=("${pages[@]:0:scan_count}")
degrade() {  # degrade SET BLUR ATTENUATION: SET-NN.pbm from the originals, seed N for page N
  local n=0 p
  for p in "${originals[@]}"; do
    n=$((n + 1))
    echo "$p $1-$(printf %02d $n).pbm $2 $3 $n"
  done | xargs -P "$(nproc)" -L 1 sh -c \
    'convert "$0" -blur "0x$2" -seed "$4" -attenuate "$3" +noise Gaussian -threshold 50% -type bilevel "$1"'
}
degrade scan 1 0.5
degrade noisy 1.2 1
pack_best=$("$kwentool" --help | grep -q -- "--pack" && echo yes || echo no)
declare -A scan_bytes scan_seconds scan_notes
timed() {  # timed SET VARIANT OUTPUTS COMMAND...: seconds of the command, bytes of the files OUTPUTS names
  local set=$1 variant=$2 outputs=$3 start
  shift 3
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  scan_seconds[$set,$variant]=$(seconds "$start" "$(date +%s%N)")
  # shellcheck disable=SC2086 # a pattern, expanded once the files exist
  scan_bytes[$set,$variant]=$(total $outputs)
}
per_page_files() {  # per_page_files SET SUFFIX COMMAND...: COMMAND IN OUT for each page
  local set=$1 suffix=$2 p
  shift 2
  for p in "$set"-*.pbm; do "$@" "$p" "${p%.pbm}$suffix"; done
}
ours_variants=("lossless:" "--clean:--clean" "--lossy:--lossy" "--clean --lossy:--clean --lossy")
for set in scan noisy; do
  for entry in "${ours_variants[@]}"; do
    name=${entry%%:*}
    read -r -a flags <<<"${entry#*:}"
    timed "$set" "ours $name" "$set.kwen" "$kwentool" build "${flags[@]}" -o "$set.kwen" "$set"-*.pbm
    if [ "$pack_best" = yes ]; then
      timed "$set" "ours $name, --pack best" "$set-best.kwen" \
        "$kwentool" build "${flags[@]}" --pack best -o "$set-best.kwen" "$set"-*.pbm
    fi
  done
  "$kwentool" build --lossy --verbose -o "$set.kwen" "$set"-*.pbm >"$set-lossy.txt" 2>/dev/null
  scan_notes[$set]=$(awk '$1 == "lossy:" { s += $2; m += $4; c = $9; p += $13 } END {
    printf "%d shapes, %d matched, %d classes, %d pixels changed", s, m, substr(c, 2), p }' "$set-lossy.txt")
  timed "$set" "cjb2 lossless (a file a page)" "$set-*.djvu" per_page_files "$set" .djvu cjb2 -dpi 300
  timed "$set" "cjb2 -lossy (a file a page)" "$set-*.djvu" per_page_files "$set" .djvu cjb2 -dpi 300 -lossy
  timed "$set" "minidjvu (one file)" "$set-md.djvu" minidjvu -d 300 "$set"-*.pbm "$set-md.djvu"
  timed "$set" "minidjvu -m, matching (one file)" "$set-md.djvu" minidjvu -d 300 -m "$set"-*.pbm "$set-md.djvu"
  timed "$set" "minidjvu -l, all lossy (one file)" "$set-md.djvu" minidjvu -d 300 -l "$set"-*.pbm "$set-md.djvu"
  timed "$set" "PNG, 1 bit (a file a page)" "$set-*.png" per_page_files "$set" .png convert
  timed "$set" "TIFF, Group 4 (one multi-page file)" "$set.tif" convert "$set"-*.pbm -compress Group4 "$set.tif"
done
scan_rows=""
for variant in "ours lossless" "ours lossless, --pack best" "ours --clean" "ours --clean, --pack best" \
  "ours --lossy" "ours --lossy, --pack best" "ours --clean --lossy" "ours --clean --lossy, --pack best" \
  "cjb2 lossless (a file a page)" "cjb2 -lossy (a file a page)" "minidjvu (one file)" \
  "minidjvu -m, matching (one file)" "minidjvu -l, all lossy (one file)" "PNG, 1 bit (a file a page)" \
  "TIFF, Group 4 (one multi-page file)"; do
  [ -n "${scan_bytes[scan,$variant]:-}" ] || continue
  scan_rows+="| ${variant/ours/kwentool build} | ${scan_bytes[scan,$variant]} | ${scan_seconds[scan,$variant]} |"
  scan_rows+=" ${scan_bytes[noisy,$variant]} | ${scan_seconds[noisy,$variant]} |"$'\n'
done
# OCR of the lossy pages against the scans, on the first three pages.
ocr_same=0
"$kwentool" build --lossy -o scan.kwen scan-*.pbm >/dev/null 2>&1
for n in 1 2 3; do
  "$kwentool" render scan.kwen "$n" ocr-lossy.png >/dev/null 2>&1
  scan=$(printf 'scan-%02d.pbm' "$n")
  if [ "$(tesseract "$scan" - 2>/dev/null)" = "$(tesseract ocr-lossy.png - 2>/dev/null)" ]; then
    ocr_same=$((ocr_same + 1))
  fi
done

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
  echo "## Scan-like pages"
  echo
  echo "The first $scan_count pages, blurred (ImageMagick -blur 0x1), with Gaussian noise (-attenuate 0.5, seed the"
  echo "page number), cut at 50%; the noisier set with -blur 0x1.2 and -attenuate 1. Seconds include reading"
  echo "the pages. --pack best rows appear when kwentool build has that option (here: $pack_best)."
  echo
  echo "| variant | scan-like bytes | seconds | noisier bytes | seconds |"
  echo "|---|---|---|---|---|"
  printf '%s' "$scan_rows"
  echo
  echo "kwentool build --lossy matched, on the scan-like set: ${scan_notes[scan]}; on the noisier set:"
  echo "${scan_notes[noisy]}. The OCR text (tesseract) of the lossy document's pages equals that of the"
  echo "scans on $ocr_same of the first 3 pages."
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
