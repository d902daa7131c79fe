#!/usr/bin/env bash
# Where a scanned document's building time goes: 200 pages of running text
# rendered at 300 dpi from the PDF manuals installed on the machine, made
# scan-like (blurred, Gaussian noise of a fixed seed, cut at mid-grey), and
# built by kwentool build --lossy, by the code before the rings took the
# room packing may use (commit b28dc86) and by the code now.
#
# Packing is timed on its own as durmo packing the unpacked document with
# the builder's switches: the same engine over the same bytes, whose packed
# file must be the built document byte for byte. The page work is the rest.
# Writes bench/build-split-results.md. Not a test: it measures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
results=${1:-$root/bench/build-split-results.md}
page_count=200
"$root/scripts/install-deps.sh"
for tool in pdftoppm:poppler-utils convert:imagemagick; do
  command -v "${tool%%:*}" >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${tool#*:}" >/dev/null
done
cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=Release -DKWEN_TESTS=OFF >/dev/null
cmake --build "$root/build/release" -j "$(nproc)" --target kwentool durmo >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
baseline_commit=b28dc86
git -C "$root" archive "$baseline_commit" | tar -x -C "$work" --one-top-level=baseline
cmake -S "$work/baseline" -B "$work/baseline/build" -DCMAKE_BUILD_TYPE=Release -DKWEN_TESTS=OFF >/dev/null
cmake --build "$work/baseline/build" -j "$(nproc)" --target kwentool durmo >/dev/null
cd "$work"

# Pages of running text, manual after manual, until there are enough.
manuals=(
  "/usr/share/doc/valgrind/valgrind_manual.pdf.gz 20"
  "/usr/share/doc/gnucobol3/gnucobol.pdf.gz 10"
  "/usr/share/doc/nettle-dev/nettle.pdf.gz 8"
  "/usr/share/doc/libtasn1-doc/libtasn1.pdf 5")
for entry in "${manuals[@]}"; do
  read -r pdf first <<<"$entry"
  have=$(find . -maxdepth 1 -name 'page-*.pbm' | wc -l)
  [ "$have" -lt "$page_count" ] || break
  [ -e "$pdf" ] || continue
  name=$(basename "${pdf%%.pdf*}")
  case "$pdf" in *.gz) zcat "$pdf" >"$name.pdf" ;; *) cp "$pdf" "$name.pdf" ;; esac
  last=$(pdfinfo "$name.pdf" | awk '$1 == "Pages:" { print $2 }')
  want=$((first + page_count - have - 1))
  pdftoppm -r 300 -mono -f "$first" -l $((want < last ? want : last)) "$name.pdf" "page-$name"
done
originals=(page-*.pbm)
originals=("${originals[@]:0:page_count}")
[ "${#originals[@]}" -eq "$page_count" ] || { echo "found ${#originals[@]} pages, not $page_count" >&2; exit 1; }
n=0
for p in "${originals[@]}"; do
  n=$((n + 1))
  echo "$p scan-$(printf %03d $n).pbm $n"
done | xargs -P "$(nproc)" -L 1 sh -c \
  'convert "$0" -blur 0x1 -seed "$2" -attenuate 0.5 +noise Gaussian -threshold 50% -type bilevel "$1"'

# timed COMMAND...: sets $wall and $cpu (user and system) in seconds.
timed() {
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f "%U %S" -o time.txt "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  wall=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", (b - a) / 1e9 }')
  cpu=$(awk '{ printf "%.2f", $1 + $2 }' time.txt)
}

rows=()
for side in before now; do
  if [ "$side" = before ]; then bin="$work/baseline/build"; else bin="$root/build/release"; fi
  timed "$bin/kwentool" build --lossy -o "$side.kwen" scan-*.pbm
  build_wall=$wall build_cpu=$cpu
  "$bin/kwentool" unpack "$side.kwen" "$side.unpacked"
  timed "$bin/durmo" a "$side.packed" "$side.unpacked"
  cmp -s "$side.packed" "$side.kwen" || { echo "durmo's packing differs from the $side build's" >&2; exit 1; }
  pack_wall=$wall pack_cpu=$cpu
  page_wall=$(awk -v b="$build_wall" -v p="$pack_wall" 'BEGIN { printf "%.2f", b - p }')
  rows+=("| $side | $build_wall | $build_cpu | $page_wall | $pack_wall | $pack_cpu | $(stat -c %s "$side.unpacked") | $(stat -c %s "$side.kwen") |")
  echo "${rows[-1]}"
done
cmp -s before.kwen now.kwen || { echo "the two builds differ" >&2; exit 1; }

{
  echo "# Building a scanned document: page work and packing"
  echo
  echo "$(date -u +%Y-%m-%d), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')."
  echo "$page_count pages rendered at 300 dpi from the manuals found, blurred (0x1), Gaussian noise"
  echo "(attenuate 0.5, seed the page number), cut at 50%; built with kwentool build --lossy."
  echo "Before: commit $baseline_commit. Packing: durmo packing the unpacked document, whose packed file"
  echo "is the built document byte for byte; page work: the build's wall time less packing's."
  echo
  echo "| code | build, s | build CPU, s | page work, s | packing, s | packing CPU, s | unpacked bytes | packed bytes |"
  echo "|---|---|---|---|---|---|---|---|"
  printf '%s\n' "${rows[@]}"
} >"$results"
echo
cat "$results"
