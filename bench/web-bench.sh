#!/usr/bin/env bash
# Times the web reader (build/web, from scripts/build-web.sh) against pdf.js's
# own viewer components in headless Chromium (bench/web-bench.mjs says what
# is measured), on two documents of 300 pages, each as .kwen and as the PDF
# kwenview exports:
#   - pages300: 300 text pages of 850 x 1100 (tests' make_reader_documents);
#   - scans300: the sample's pages at 300 dpi (two text pages of 2550 x 3300
#     and a colour page), 100 times over, built with kwentool build --lossy.
#
#   bench/web-bench.sh
#
# Prints the tables and adds them, under a heading with the date and the load
# average, to bench/web-results.md. BUILD is the native build folder
# that makes the documents (build/native by default), WEB_DIR the built web
# reader (build/web). Installs pdf.js and puppeteer-core with npm ci in
# bench/ when they are missing; the browser is Debian's chromium.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${BUILD:-$root/build/native}")
web=$(realpath -m "${WEB_DIR:-$root/build/web}")
results=$root/bench/web-results.md
scan_repeats=100

if [ ! -f "$web/reader.html" ] || [ ! -f "$web/kwen-module.wasm" ]; then
  echo "web-bench: $web has no built reader: run bash scripts/build-web.sh first" >&2
  exit 1
fi
if [ ! -x /usr/bin/chromium ]; then
  echo "web-bench: /usr/bin/chromium is not installed" >&2
  exit 1
fi
if [ ! -d "$root/bench/node_modules/pdfjs-dist" ] || [ ! -d "$root/bench/node_modules/puppeteer-core" ]; then
  # pdf.js's optional native canvas is for node only: the browser draws here.
  # (npm warns that pdfjs-dist wants a newer node: node only serves its files.)
  (cd "$root/bench" && npm ci --omit=optional --no-audit --no-fund)
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKWEN_TESTS=ON >/dev/null
cmake --build "$build" -j 2 --target make_reader_documents kwenview kwentool >/dev/null
kwentool=$build/kwentool
export_pdf() { QT_QPA_PLATFORM=offscreen "$build/viewer/desktop/kwenview" --export-pdf "$1" "$2" >/dev/null 2>&1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
site=$work/site
docs=$site/docs
mkdir -p "$docs" "$site/pdfjs" "$work/made"

# The site: the web reader as built, pdf.js's files with its viewer page
# beside them, and the documents.
cp -r "$web/." "$site/"
pdfjs=$root/bench/node_modules/pdfjs-dist
cp "$pdfjs/build/pdf.min.mjs" "$pdfjs/build/pdf.worker.min.mjs" "$pdfjs/web/pdf_viewer.mjs" \
  "$pdfjs/web/pdf_viewer.css" "$root/bench/web/pdfjs-viewer.html" "$site/pdfjs/"
cp -r "$pdfjs/web/images" "$pdfjs/standard_fonts" "$pdfjs/cmaps" "$pdfjs/wasm" "$pdfjs/iccs" "$site/pdfjs/"

echo "== making the documents"
"$build/tests/viewer/desktop/make_reader_documents" "$work/made" >/dev/null
cp "$work/made/pages300.kwen" "$docs/"
export_pdf "$docs/pages300.kwen" "$docs/pages300.pdf"
scan_pages=()
for _ in $(seq "$scan_repeats"); do
  scan_pages+=("$root/examples/pages/text-1.png" "$root/examples/pages/text-2.png" "$root/examples/pages/colour.png")
done
"$kwentool" build --lossy -o "$docs/scans300.kwen" "${scan_pages[@]}" >"$work/build.log" 2>&1 \
  || { cat "$work/build.log" >&2; exit 1; }
export_pdf "$docs/scans300.kwen" "$docs/scans300.pdf"
scan_count=$((3 * scan_repeats))

echo "== timing both readers"
node "$root/bench/web-bench.mjs" "$site" \
  "pages300:300:pages300.kwen:pages300.pdf" "scans300:$scan_count:scans300.kwen:scans300.pdf" >"$work/table.md"

sizes=$(cd "$docs" && for file in pages300.kwen pages300.pdf scans300.kwen scans300.pdf; do
  printf '%s %s KiB, ' "$file" $(( $(stat -c %s "$file") / 1024 ))
done)
{
  echo
  echo "## $(date -u '+%Y-%m-%d %H:%M') UTC, load average $(cut -d' ' -f1-3 /proc/loadavg)"
  echo
  echo "$(nproc) cores; $(/usr/bin/chromium --version 2>/dev/null | head -1 | sed 's/ built on.*//');"
  echo "pdfjs-dist $(node -p "require('$pdfjs/package.json').version"); window 1200 x 900 at device scale 1;"
  echo "documents: ${sizes%, }."
  echo
  cat "$work/table.md"
} | tee -a "$results"
