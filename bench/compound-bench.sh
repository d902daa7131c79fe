#!/usr/bin/env bash
# Compound page benchmark: scan-like pages of text, pictures and charts, and a
# whole manual, through kwentool build's default (each page classified, paper
# and uneven light removed, text cut into masks, pictures compact-coded) and
# --lossy, beside a DjVu compound made by hand from the same pages (cjb2 mask,
# c44 background and ink colours, djvumake, djvm), pdf2djvu on the manual and
# a Group 4 TIFF of the thresholded pages. Gives bytes, seconds, peak memory
# on the manual, the share of the clean pages' words tesseract still finds,
# and the PSNR of the pictures beside c44 at the same bytes; last, the speed
# of --lossy on degraded 1-bit pages beside cjb2 -lossy and minidjvu -l.
# Writes bench/compound-results.md (or the file given). Not a test: it
# measures. BUILD is the build folder (build/release by default).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
results=$(realpath -m "${1:-$root/bench/compound-results.md}")
build=$(realpath -m "${BUILD:-$root/build/release}")
"$root/scripts/install-deps.sh"
manual_gz=/usr/share/doc/valgrind/valgrind_manual.pdf.gz
missing=()
for tool in pdftoppm:poppler-utils cjb2:djvulibre-bin pdf2djvu:pdf2djvu minidjvu:minidjvu \
  tesseract:tesseract-ocr tiffcp:libtiff-tools "$manual_gz:valgrind"; do
  command -v "${tool%%:*}" >/dev/null || [ -e "${tool%%:*}" ] || missing+=("${tool#*:}")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKWEN_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target kwentool >/dev/null
kwentool=$build/kwentool
"$kwentool" --help | grep -q -- "--mode" ||
  { echo "this kwentool has no build --mode: the benchmark measures the compound build" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cores=$(nproc)
export OMP_THREAD_LIMIT=1  # tesseract runs one page a core, side by side

seconds() { awk -v s="$1" -v e="$2" 'BEGIN { printf "%.1f", (e - s) / 1e9 }'; }
total() { local sum=0 f; for f in "$@"; do sum=$((sum + $(stat -c %s "$f"))); done; echo "$sum"; }
each_line() {  # each_line FUNCTION: FUNCTION with the words of each input line, a line a core
  MAGICK_THREAD_LIMIT=1 xargs -P "$cores" -L 1 bash -e -c "$1"' "$@"' _
}
declare -A bytes secs peak
bench_start=$(date +%s%N)
step() { echo "[$(seconds "$bench_start" "$(date +%s%N)") s] $1" >&2; }  # progress on standard error
timed() {  # timed KEY OUTPUTS COMMAND...: seconds of COMMAND, bytes of the files OUTPUTS names
  local key=$1 outputs=$2 start
  shift 2
  start=$(date +%s%N)
  "$@" >/dev/null 2>"$work/last-error" || { echo "$key failed:" >&2; cat "$work/last-error" >&2; exit 1; }
  secs[$key]=$(seconds "$start" "$(date +%s%N)")
  # shellcheck disable=SC2086 # a pattern, expanded once the files exist
  bytes[$key]=$(total $outputs)
}
timed_peak() {  # timed_peak KEY OUTPUTS COMMAND...: as timed, and the largest resident set in MiB
  local key=$1 outputs=$2
  shift 2
  timed "$key" "$outputs" /usr/bin/time -f %M -o "$work/$key.rss" "$@"
  peak[$key]=$(( $(tail -n 1 "$work/$key.rss") / 1024 ))
}

# --- Pages. Twenty manual pages of running text, six more under pictures.
step "making the scan-like pages"
zcat "$manual_gz" >manual.pdf
manual_pages=$(pdfinfo manual.pdf | awk '$1 == "Pages:" { print $2 }')
pdftoppm -r 300 -gray -f 20 -l 39 manual.pdf text
pdftoppm -r 300 -gray -f 40 -l 45 manual.pdf under
text_pages=(text-*.pgm)
page_size=$(identify -format '%wx%h' "${text_pages[0]}")
export page_size
# The light a scanner's lamp gives: full in the middle, a fifth less at the
# corners, on cream paper; multiplied into every page.
convert -size "$page_size" radial-gradient:white-gray80 \( +clone -fill 'rgb(244,238,220)' -colorize 100 \) \
  -compose Multiply -composite light.png

picture_box=(1650 1100 450 1150)  # width, height, left, top of each page's picture
export picture_geometry="${picture_box[0]}x${picture_box[1]}+${picture_box[2]}+${picture_box[3]}"
photo_picture() {  # photo_picture N OUT: a photograph-like picture, seeded by N
  convert -size "${picture_geometry%%+*}" -seed "$1" plasma:fractal -blur 0x2 "$2"
}
chart_picture() {  # chart_picture N OUT: bars and a line in colours on a grid, heights from N
  local colours=('#c0392b' '#2471a3' '#229954' '#d68910') args=(-size "${picture_geometry%%+*}" xc:white)
  local i x h points="" y
  args+=(-stroke '#c8c8c8' -strokewidth 3)
  for y in 250 450 650 850; do args+=(-draw "line 150,$y 1600,$y"); done
  args+=(-stroke none)
  for i in 0 1 2 3 4 5; do
    x=$((230 + i * 230)) h=$(((i * 97 + $1 * 131) % 600 + 150))
    args+=(-fill "${colours[i % 4]}" -draw "rectangle $x,$((950 - h)) $((x + 150)),950")
    points+="$((x + 75)),$((900 - h / 2)) "
  done
  args+=(-fill none -stroke '#6c3483' -strokewidth 8 -draw "polyline $points")
  args+=(-stroke black -strokewidth 6 -draw "line 150,950 1600,950" -draw "line 150,100 150,950")
  args+=(-stroke none -fill black -font Helvetica -pointsize 50)
  for i in 0 1 2 3 4 5; do args+=(-annotate "+$((250 + i * 230))+1030" "$((2018 + i))"); done
  convert "${args[@]}" "$2"
}
headings=("Figure 1. Memory in use" "Figure 2. Errors by tool" "Figure 3. A heap snapshot"
  "Figure 4. Calls per second" "Figure 5. Cache misses" "Figure 6. Threads and locks")
for n in 1 2 3 4 5 6; do
  if [ $((n % 2)) = 1 ]; then photo_picture "$n" picture-$n.png; else chart_picture "$n" picture-$n.png; fi
  read -r _ height left top <<<"${picture_box[*]}"
  # The page without its picture (blank-N) is scanned too, with the same
  # seed: the difference of their documents is what the picture costs.
  convert "$(printf 'under-%03d.pgm' $((39 + n)))" -colorspace sRGB -type TrueColor -fill white -stroke none \
    -draw "rectangle 150,150 2400,400" \
    -draw "rectangle 150,$((top - 40)) 2400,$((top + height + 40))" \
    -fill '#1f4e9a' -font Helvetica-Bold -pointsize 110 -annotate +300+330 "${headings[n - 1]}" \
    -write blank-$n.png picture-$n.png -geometry "+$left+$top" -composite illustrated-$n.png
done

scan_page() {  # scan_page CLEAN SEED COLOUR.jpg|- [GREY.jpg]: the page as a 300 dpi scan
  local outputs=("$3")
  if [ "$3" = - ]; then
    outputs=(-colorspace Gray -type Grayscale "$4")
  elif [ -n "${4:-}" ]; then
    outputs=(\( +clone -colorspace Gray -type Grayscale -write "$4" +delete \) "$3")
  fi
  convert "$1" -colorspace sRGB light.png -compose Multiply -composite -blur 0x0.8 \
    -seed "$2" -attenuate 0.5 +noise Gaussian -density 300 -units PixelsPerInch -quality 85 "${outputs[@]}"
}
export -f scan_page
colour_text_count=10
{
  n=0
  for p in "${text_pages[@]}"; do
    n=$((n + 1))
    colour_scan=$(printf 'colour-%02d.jpg' "$n")
    [ "$n" -le "$colour_text_count" ] || colour_scan=-
    echo "$p $n $colour_scan $(printf 'grey-%02d.jpg' "$n")"
  done
  for n in 1 2 3 4 5 6; do
    echo "illustrated-$n.png $((100 + n)) $(printf 'colour-%02d.jpg' $((colour_text_count + n)))"
    echo "blank-$n.png $((100 + n)) blank-$n.jpg"
  done
} | each_line scan_page
grey_pages=(grey-*.jpg)
colour_pages=(colour-*.jpg)
for p in "${grey_pages[@]}"; do convert "$p" -compress LZW "${p%.jpg}.tif"; done
tiffcp grey-*.tif scans.tif
rm grey-*.tif

# --- Our builds: the default and --lossy of each set.
step "kwentool build on each set"
declare -A inputs=([grey]="${grey_pages[*]}" [colour]="${colour_pages[*]}" [tiff]=scans.tif [pdf]=manual.pdf)
for set in grey colour tiff pdf; do
  read -r -a files <<<"${inputs[$set]}"
  timed_peak "$set,ours" "$set.kwen" "$kwentool" build -o "$set.kwen" "${files[@]}"
  timed_peak "$set,lossy" "$set-lossy.kwen" "$kwentool" build --lossy -o "$set-lossy.kwen" "${files[@]}"
  bytes[$set,source]=$(total "${files[@]}")
done

# --- DjVu by hand: each scan cut at 70% of its own paper's brightness (the
# light evened out by dividing by a blurred copy) into a mask, the scan at a
# third of its resolution with the ink masked out (c44) as background, and
# for colour scans the ink's colours at a twelfth (the average of the ink
# pixels of each 12 x 12 cell, the rest masked, c44); then cjb2 codes the
# mask, lossless or -lossy, and djvumake joins the layers. The mask leaves
# out the picture, which goes whole to the background.
step "the DjVu compounds, pdf2djvu and Group 4 TIFF"
cut_page() {  # cut_page SCAN CUT.pbm: the scan thresholded against its own paper
  convert "$1" -colorspace Gray \( +clone -scale 2% -scale "$page_size!" \) -compose Divide_Src -composite \
    -threshold 70% -type bilevel "$2"
}
layer_page() {  # layer_page SCAN CUT.pbm BASE grey|colour [picture]: BASE-mask.pbm, BASE-bg.iw4 (, BASE-fg.iw4)
  local w=${page_size%x*} h=${page_size#*x} base=$3 picture=()
  local bg_size=$(((w + 2) / 3))x$(((h + 2) / 3)) fg_size=$(((w + 11) / 12))x$(((h + 11) / 12))
  [ -z "${5:-}" ] || picture=(-fill white -draw "rectangle ${picture_box_corners}")
  convert "$2" "${picture[@]}" "$base-mask.pbm"
  # A background pixel under any ink is left to c44 to fill.
  convert "$base-mask.pbm" -scale "$bg_size!" -threshold 99.99% -type bilevel "$base-bgmask.pbm"
  local bg=$base-bg.ppm
  [ "$4" = colour ] || bg=$base-bg.pgm
  convert "$1" -scale "$bg_size!" "$bg"
  c44 -dpi 100 -mask "$base-bgmask.pbm" "$bg" "$base-bg.djvu"
  djvuextract "$base-bg.djvu" BG44="$base-bg.iw4"
  [ "$4" = colour ] || return 0
  convert "$1" \( "$base-mask.pbm" -negate \) -compose Multiply -composite -scale "$fg_size!" "$base-inksum.ppm"
  convert "$base-mask.pbm" -negate -scale "$fg_size!" "$base-inkshare.pgm"
  convert "$base-inksum.ppm" "$base-inkshare.pgm" -compose Divide_Src -composite "$base-fg.ppm"
  convert "$base-inkshare.pgm" -threshold 0 -type bilevel "$base-fgmask.pbm"
  c44 -dpi 25 -slice 100 -mask "$base-fgmask.pbm" "$base-fg.ppm" "$base-fg.djvu"  # djvumake takes one chunk
  djvuextract "$base-fg.djvu" BG44="$base-fg.iw4"
}
join_page() {  # join_page BASE grey|colour PAGE.djvu [cjb2 option]: the mask coded, the layers joined
  local fg=() options=()
  [ -z "${4:-}" ] || options=("$4")
  cjb2 -dpi 300 "${options[@]}" "$1-mask.pbm" "${3%.djvu}-mask.djvu"
  [ "$2" = grey ] || fg=(FG44="$1-fg.iw4")
  djvumake "$3" INFO="${page_size/x/,},300" Sjbz="${3%.djvu}-mask.djvu" "${fg[@]}" BG44="$1-bg.iw4"
}
export picture_box_corners="${picture_box[2]},${picture_box[3]} $((picture_box[2] + picture_box[0] - 1)),$((picture_box[3] + picture_box[1] - 1))"
export -f cut_page layer_page join_page
set_pages() {  # set_pages SET: the numbers of the set's pages, as its files name them
  local p pages=()
  read -r -a pages <<<"${inputs[$1]}"
  for p in "${pages[@]}"; do echo "${p//[^0-9]/}"; done
}
cut_set() {  # cut_set SET: the set's pages thresholded, as the mask's source
  local n
  for n in $(set_pages "$1"); do echo "$1-$n.jpg $1-cut-$n.pbm"; done | each_line cut_page
}
layer_set() {  # layer_set SET: the layers of each page
  local n picture
  for n in $(set_pages "$1"); do
    picture=""
    [ "$1" = grey ] || [ "$((10#$n))" -le "$colour_text_count" ] || picture=" picture"
    echo "$1-$n.jpg $1-cut-$n.pbm $1-layer-$n $1$picture"  # no trailing blank: xargs -L would join lines
  done | each_line layer_page
}
join_set() {  # join_set SET OUT.djvu [cjb2 option]: the pages joined and bundled into OUT
  local n pages=()
  for n in $(set_pages "$1"); do pages+=("${2%.djvu}-page-$n.djvu"); done
  for n in $(set_pages "$1"); do echo "$1-layer-$n $1 ${2%.djvu}-page-$n.djvu${3:+ $3}"; done |
    each_line join_page || return
  djvm -c "$2" "${pages[@]}"
}
g4_set() {  # g4_set SET: the set's cut pages in one Group 4 TIFF
  local p
  for p in "$1"-cut-*.pbm; do convert "$p" -compress Group4 "${p%.pbm}.tif" || return; done
  tiffcp "$1"-cut-*.tif "$1-g4.tif"
}
mask_bytes() { djvudump "$1" | awk '$1 == "Sjbz" { gsub(/[][]/, "", $2); sum += $2 } END { print sum + 0 }'; }
declare -A masks
add() { awk -v a="$1" -v b="$2" -v c="${3:-0}" 'BEGIN { printf "%.1f", a + b + c }'; }
for set in grey colour; do
  timed "$set,cut" "$set-cut-*.pbm" cut_set "$set"
  timed "$set,layers" "$set-layer-*-bg.iw4" layer_set "$set"
  timed "$set,djvu" "$set.djvu" join_set "$set" "$set.djvu"
  timed "$set,djvulossy" "$set-lossy.djvu" join_set "$set" "$set-lossy.djvu" -lossy
  timed "$set,g4" "$set-g4.tif" g4_set "$set"
  masks[$set,djvu]=$(mask_bytes "$set.djvu") masks[$set,djvulossy]=$(mask_bytes "$set-lossy.djvu")
  secs[$set,djvu]=$(add "${secs[$set,cut]}" "${secs[$set,layers]}" "${secs[$set,djvu]}")
  secs[$set,djvulossy]=$(add "${secs[$set,cut]}" "${secs[$set,layers]}" "${secs[$set,djvulossy]}")
  secs[$set,g4]=$(add "${secs[$set,cut]}" "${secs[$set,g4]}")
done
timed_peak "pdf,pdf2djvu" manual.djvu pdf2djvu -q -j "$cores" -o manual.djvu manual.pdf
mono_g4() {  # the manual drawn in black and white at 300 dpi, as one Group 4 TIFF
  pdftoppm -r 300 -mono -tiff manual.pdf mono
  tiffcp -c g4 mono-*.tif pdf-g4.tif
  rm mono-*.tif
}
timed "pdf,g4" pdf-g4.tif mono_g4

# --- OCR: five pages of each set, the share of the clean page's words that
# tesseract finds again in each result's page (each word found as often as
# the clean page has it).
step "tesseract on five pages of each set"
declare -A ocr_pages=([grey]="2 6 10 14 18" [colour]="3 8 11 14 15" [pdf]="30 120 205 290 380")
declare -A variants=([grey]="source ours lossy djvu djvulossy g4" [colour]="source ours lossy djvu djvulossy g4"
  [pdf]="ours lossy pdf2djvu g4")
ocr_list() {  # the images to read, "IMAGE TEXT-BASE" a line; renders the documents' pages
  local set n variant image text_page
  for set in grey colour pdf; do
    for n in ${ocr_pages[$set]}; do
      case $set in
        pdf) pdftoppm -r 300 -gray -singlefile -f "$n" -l "$n" manual.pdf "pdf-clean-$n"
             pdftoppm -r 300 -mono -singlefile -f "$n" -l "$n" manual.pdf "pdf-g4-$n" ;;
        *) text_page=${text_pages[n - 1]:-}
           [ "$set" = grey ] || [ "$n" -le "$colour_text_count" ] || text_page=illustrated-$((n - colour_text_count)).png
           convert "$text_page" "$set-clean-$n.pgm" ;;
      esac
      echo "$set-clean-$n.pgm ocr-$set-clean-$n"
      for variant in ${variants[$set]}; do
        image=ocr-$set-$variant-$n.png
        case $variant in
          source) image=$(printf '%s-%02d.jpg' "$set" "$n") ;;
          ours) "$kwentool" render "$set.kwen" "$n" "$image" >/dev/null ;;
          lossy) "$kwentool" render "$set-lossy.kwen" "$n" "$image" >/dev/null ;;
          djvu) image=${image%.png}.tif; ddjvu -format=tiff -page="$n" "$set.djvu" "$image" ;;
          djvulossy) image=${image%.png}.tif; ddjvu -format=tiff -page="$n" "$set-lossy.djvu" "$image" ;;
          pdf2djvu) image=${image%.png}.tif; ddjvu -format=tiff -page="$n" manual.djvu "$image" ;;
          g4) image=$set-cut-$(printf %02d "$n").pbm; [ "$set" != pdf ] || image=pdf-g4-$n.pbm ;;
        esac
        echo "$image ocr-$set-$variant-$n"
      done
    done
  done
}
ocr_page() { tesseract "$1" "$2" >/dev/null 2>&1; }
export -f ocr_page
ocr_start=$(date +%s%N)
ocr_list | each_line ocr_page
ocr_seconds=$(seconds "$ocr_start" "$(date +%s%N)")
declare -A words
for set in grey colour pdf; do
  for variant in ${variants[$set]}; do
    found=0 all=0
    for n in ${ocr_pages[$set]}; do
      read -r f a < <(awk 'FNR == NR { for (i = 1; i <= NF; i++) wanted[$i]++; all += NF; next }
        { for (i = 1; i <= NF; i++) if (wanted[$i] > 0) { wanted[$i]--; found++ } }
        END { print found + 0, all + 0 }' "ocr-$set-clean-$n.txt" "ocr-$set-$variant-$n.txt")
      found=$((found + f)) all=$((all + a))
    done
    words[$set,$variant]=$(awk -v f="$found" -v a="$all" 'BEGIN { printf "%.1f%%", a ? 100 * f / a : 0 }')
  done
done

# --- Pictures: the PSNR of each picture's region, against the scan and
# against the picture as drawn; c44 on the region alone, at the bytes the
# picture costs our document (the page's document less that of the same scan
# without the picture), again with the paper and light divided out (by the
# very light the scans were made with: the best case), and at its default.
step "the pictures' PSNR"
psnr() { compare -metric PSNR "$1" "$2" null: 2>&1 | awk '{ printf "%.1f", $1 }' || true; }
psnrs() {  # psnrs IMAGE N: "against the scan / against the drawing" of picture N's region
  echo "$(psnr "$1" "scan-region-$2.ppm") / $(psnr "$1" "picture-$2.png")"
}
c44_near() {  # c44_near REGION BYTES OUT.djvu: the slice count whose file comes nearest BYTES
  local low=1 high=200 middle under over
  while [ "$low" -lt "$high" ]; do  # the most slices that fit in BYTES (at least one)
    middle=$(((low + high + 1) / 2))
    c44 -slice "$middle" "$1" "$3"
    if [ "$(stat -c %s "$3")" -le "$2" ]; then low=$middle; else high=$((middle - 1)); fi
  done
  c44 -slice "$((low + 1))" "$1" "$3"
  over=$(($(stat -c %s "$3") - $2))
  c44 -slice "$low" "$1" "$3"
  under=$(($2 - $(stat -c %s "$3")))
  [ "$over" -ge "${under#-}" ] || c44 -slice "$((low + 1))" "$1" "$3"
}
c44_cell() {  # c44_cell REGION N OUT.djvu [BYTES]: "bytes | PSNRs" of c44 on REGION, near BYTES or at its default
  if [ -n "${4:-}" ]; then c44_near "$1" "$4" "$3"; else c44 "$1" "$3"; fi
  ddjvu -format=ppm "$3" "${3%.djvu}.ppm"
  echo "$(stat -c %s "$3") | $(psnrs "${3%.djvu}.ppm" "$2")"
}
convert light.png -crop "$picture_geometry" +repage light-region.ppm
picture_rows=""
for n in 1 2 3 4 5 6; do
  page=$((colour_text_count + n))
  scan=$(printf 'colour-%02d.jpg' "$page")
  convert "$scan" -crop "$picture_geometry" +repage scan-region-$n.ppm
  convert scan-region-$n.ppm light-region.ppm -compose Divide_Src -composite flat-region-$n.ppm
  "$kwentool" render colour.kwen "$page" ours-page-$n.png >/dev/null
  convert ours-page-$n.png -crop "$picture_geometry" +repage ours-region-$n.ppm
  ddjvu -format=ppm -page="$page" colour.djvu djvu-page-$n.ppm
  convert djvu-page-$n.ppm -crop "$picture_geometry" +repage djvu-region-$n.ppm
  "$kwentool" build -o with-$n.kwen "$scan" >/dev/null 2>&1
  "$kwentool" build -o without-$n.kwen blank-$n.jpg >/dev/null 2>&1
  cost=$(($(stat -c %s with-$n.kwen) - $(stat -c %s without-$n.kwen)))
  equal="- | - | - | -"
  if [ "$cost" -gt 0 ]; then
    equal="$(c44_cell scan-region-$n.ppm "$n" c44-equal-$n.djvu "$cost") | $(c44_cell flat-region-$n.ppm "$n" c44-flat-$n.djvu "$cost")"
  fi
  kind=photograph
  [ $((n % 2)) = 1 ] || kind=chart
  picture_rows+="| $n, $kind | $cost | $(psnrs ours-region-$n.ppm "$n") | $(psnrs djvu-region-$n.ppm "$n") |"
  picture_rows+=" $equal | $(c44_cell scan-region-$n.ppm "$n" c44-default-$n.djvu) |"$'\n'
done

# --- Shape matching's speed: the twenty text pages in black and white,
# blurred, with noise, cut at mid-grey (as bench/build-bench.sh makes them).
step "shape matching on 1-bit pages"
pdftoppm -r 300 -mono -f 20 -l 39 manual.pdf mono
bitonal_page() { convert "$1" -blur 0x1 -seed "$3" -attenuate 0.5 +noise Gaussian -threshold 50% -type bilevel "$2"; }
export -f bitonal_page
n=0
for p in mono-*.pbm; do n=$((n + 1)); echo "$p $(printf 'bitonal-%02d.pbm' $n) $n"; done | each_line bitonal_page
cjb2_lossy() { local p; for p in bitonal-*.pbm; do cjb2 -dpi 300 -lossy "$p" "${p%.pbm}.djvu"; done; }
timed "bitonal,plain" bitonal.kwen "$kwentool" build --jobs 1 -o bitonal.kwen bitonal-*.pbm
timed "bitonal,j1" bitonal.kwen "$kwentool" build --lossy --jobs 1 -o bitonal.kwen bitonal-*.pbm
timed "bitonal,j2" bitonal.kwen "$kwentool" build --lossy --jobs 2 -o bitonal.kwen bitonal-*.pbm
timed "bitonal,cjb2" "bitonal-*.djvu" cjb2_lossy
timed "bitonal,minidjvu" bitonal-md.djvu minidjvu -d 300 -l bitonal-*.pbm bitonal-md.djvu

# --- Results.
held() {  # held DOC: how many pages of each depth, and compact pictures, the document holds
  "$kwentool" info "$1" | awk '$1 == "page" && $2 ~ /:$/ {
      for (i = 1; i < NF; i++) { if ($(i + 1) == "bits") depth[$i]++; if ($(i + 1) == "compact") pictures += $i } }
    END { for (d = 1; d <= 32; d++) if (depth[d]) printf "%d %d-bit pages, ", depth[d], d
      printf "%d compact-coded pictures", pictures }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
cell() {  # cell SET VARIANT: bytes and their ratio to our default build, or a dash
  [ -n "${bytes[$1,$2]:-}" ] || { echo "-"; return; }
  echo "${bytes[$1,$2]} (× $(ratio "${bytes[$1,$2]}" "${bytes[$1,ours]}"))"
}
row_names=("source:the source files" "ours:kwentool build (default)" "lossy:kwentool build --lossy"
  "djvu:DjVu compound by hand (cjb2, c44, djvm)" "djvulossy:the same, its masks by cjb2 -lossy"
  "pdf2djvu:pdf2djvu" "g4:Group 4 TIFF, thresholded")
table() {  # table FIELD: a row for each method, a column for each set
  local entry key set value
  echo "| | grey scans ($(wc -w <<<"${inputs[grey]}") pages) | colour scans (${#colour_pages[@]}) | multi-page TIFF (${#grey_pages[@]}) | manual PDF ($manual_pages) |"
  echo "|---|---|---|---|---|"
  for entry in "${row_names[@]}"; do
    key=${entry%%:*}
    printf '| %s |' "${entry#*:}"
    for set in grey colour tiff pdf; do
      case $1 in
        bytes) value=$(cell "$set" "$key") ;;
        seconds) value=${secs[$set,$key]:--} ;;
        words) value=${words[$set,$key]:--} ;;
      esac
      [ "$set,$1" != "tiff,words" ] || [ -z "${words[grey,$key]:-}" ] || value="as grey"
      printf ' %s |' "$value"
    done
    echo
  done
}
{
  echo "# Compound pages"
  echo
  echo "\`bash bench/compound-bench.sh\`, one run on $cores cores, $(date -u +%F), kwentool built from"
  echo "$(git -C "$root" rev-parse --short HEAD)$(git -C "$root" diff --quiet HEAD -- builder kwentool || echo ' with the work tree'"'"'s changes')."
  echo
  echo "The pages: ${#text_pages[@]} pages of the Valgrind manual (its pages 20-39) drawn at 300 dpi in grey by"
  echo "pdftoppm, and six more (pages 40-45) each with a coloured heading and a picture of"
  echo "${picture_box[0]} x ${picture_box[1]} pixels in place of some text: three photograph-like (ImageMagick plasma, blurred)"
  echo "and three bar charts with a line. Each is made a scan: multiplied by cream paper (244, 238, 220) and"
  echo "light falling off to 80% at the corners, blurred (0.8 px), Gaussian noise (a seed a page), JPEG quality"
  echo "85 at 300 dpi. Grey scans: the twenty text pages; colour scans: the first $colour_text_count text pages and"
  echo "the six illustrated ones; the TIFF: the grey scans in one LZW TIFF; the PDF: the whole manual."
  echo
  echo "The DjVu compound is made from the same scans: each page divided by a blurred copy of itself (to"
  echo "even the light) and cut at 70% into the mask (cjb2, lossless or -lossy), the scan at 100 dpi with"
  echo "the ink masked out as background (c44 at its default slices), and for colour scans the ink colour"
  echo "at 25 dpi (c44), joined by djvumake and bundled by djvm -c. Its mask leaves the known picture region"
  echo "out, so pictures go whole to the background: a segmentation ours has to find for itself. The Group 4"
  echo "TIFF holds the same cut pages (pictures included); for the PDF, the pages drawn in black and white by"
  echo "pdftoppm -mono, which dithers the grey boxes behind the code examples into dots. pdf2djvu runs at"
  echo "its defaults (300 dpi, hidden text layer and outline kept) with -j $cores."
  echo
  echo "## Bytes (× our default build's)"
  echo
  table bytes
  echo
  echo "Of the DjVu compounds, the masks (cjb2, lossless / -lossy) take ${masks[grey,djvu]} / ${masks[grey,djvulossy]} bytes on"
  echo "the grey scans and ${masks[colour,djvu]} / ${masks[colour,djvulossy]} on the colour scans; the rest is background and ink"
  echo "colour (c44). Our default documents hold: grey scans $(held grey.kwen); colour scans"
  echo "$(held colour.kwen); manual $(held pdf.kwen)."
  echo
  echo "## Seconds"
  echo
  echo "Ours on every core (its default --jobs); the DjVu steps a page a core. The DjVu rows count the cut"
  echo "(${secs[grey,cut]} s for the grey scans), the layers (${secs[grey,layers]} s) and cjb2 with djvumake and djvm;"
  echo "the TIFF rows the cut and the TIFF writing. The cut and the layers are mostly ImageMagick's time."
  echo
  table seconds
  echo
  echo "Peak memory on the manual: kwentool build ${peak[pdf,ours]} MiB (--lossy ${peak[pdf,lossy]} MiB), pdf2djvu ${peak[pdf,pdf2djvu]} MiB."
  echo
  echo "## Words tesseract finds"
  echo
  echo "Five pages of each set (grey ${ocr_pages[grey]// /, }; colour ${ocr_pages[colour]// /, }; PDF ${ocr_pages[pdf]// /, }),"
  echo "as the share of the words tesseract reads on the clean page (the drawing before it was made a scan)"
  echo "that it reads again on each result's page, $ocr_seconds s in all. The TIFF holds the grey scans' pixels."
  echo
  table words
  echo
  echo "## Pictures"
  echo
  echo "PSNR (dB) of each picture's region on the colour scans' pages 11-16, against the scan's pixels /"
  echo "against the picture as drawn (before paper, light and noise). The bytes of ours are what the"
  echo "picture adds to the page's document (the page built alone, less the same scan without the"
  echo "picture); c44 codes the scan's region alone, with the slice count that comes nearest those bytes,"
  echo "then the region with the paper and light divided out (by the very light field the scans were made"
  echo "with, a best case for c44), and at its default slices."
  echo
  echo "| picture | ours: bytes | PSNR | DjVu compound: PSNR | c44 near ours' bytes: bytes | PSNR | the same, paper and light divided out: bytes | PSNR | c44 default: bytes | PSNR |"
  echo "|---|---|---|---|---|---|---|---|---|---|"
  printf '%s' "$picture_rows"
  echo
  echo "## Shape matching on 1-bit pages"
  echo
  echo "The twenty text pages drawn in black and white, blurred (0x1), with Gaussian noise (-attenuate 0.5,"
  echo "seed the page number), cut at 50%."
  echo
  echo "| | bytes | seconds |"
  echo "|---|---|---|"
  echo "| kwentool build --jobs 1 (no matching) | ${bytes[bitonal,plain]} | ${secs[bitonal,plain]} |"
  echo "| kwentool build --lossy --jobs 1 | ${bytes[bitonal,j1]} | ${secs[bitonal,j1]} |"
  echo "| kwentool build --lossy --jobs 2 | ${bytes[bitonal,j2]} | ${secs[bitonal,j2]} |"
  echo "| cjb2 -lossy, a page at a time | ${bytes[bitonal,cjb2]} | ${secs[bitonal,cjb2]} |"
  echo "| minidjvu -l, one file | ${bytes[bitonal,minidjvu]} | ${secs[bitonal,minidjvu]} |"
} | tee "$results"
