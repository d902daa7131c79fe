#!/usr/bin/env bash
# Times the native reader (kwenview for Linux) on a 300-page document of
# 850 x 1100 text pages and on 40 dense text pages at 300 dpi (2550 x 3300,
# the sample's two text pages over and over), on Qt's offscreen platform:
# start to first page painted, page changes to a page built ahead and to one
# far away, frame times while scrolling through every page, and the peak
# memory after it. Prints the table and writes it to bench/reader-results.md.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/native
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j 2 --target reader_bench kwentool make_reader_documents >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/tests/viewer/desktop/make_reader_documents" "$work"
pages=$root/examples/pages
images=()
for _ in $(seq 20); do images+=("$pages/text-1.png" "$pages/text-2.png"); done
echo "building 40 dense pages..." >&2
"$build/kwentool" build -o "$work/dense40.kwen" "${images[@]}" >/dev/null 2>&1

export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$work/config
table=$(
  echo "| document | pages | start to first page painted (ms) | cached page change (ms) | uncached page change (ms) | scroll frame median (ms) | scroll frame 95% (ms) | peak memory (MiB) |"
  echo "|---|---|---|---|---|---|---|---|"
  "$build/viewer/desktop/reader_bench" "$work/pages300.kwen" "300 text pages 850 x 1100" 2>/dev/null
  "$build/viewer/desktop/reader_bench" "$work/dense40.kwen" "40 dense pages 2550 x 3300, 300 dpi" 2>/dev/null
)
echo "$table"
{
  echo "# The native reader"
  echo
  echo "\`bash bench/reader-bench.sh\` on $(nproc) cores (load average $(cut -d' ' -f1 /proc/loadavg) at the end),"
  echo "Qt's offscreen platform, window 1100 x 900, fit width. Aims: first page under 150 ms, a cached page"
  echo "change under 16 ms, an uncached one under 50 ms, peak memory under 400 MiB."
  echo
  echo "$table"
} >"$root/bench/reader-results.md"
