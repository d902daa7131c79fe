#!/usr/bin/env bash
# Times one page built through the document library's interface, at full
# size and scaled to 1100 pixels wide (a reader's fit width), on one thread
# and on every processor: a dense 300 dpi text page, a 300 dpi colour page
# and a 1-bit page of nearly 2 GiB (not built at full size). Prints the
# table and writes it to bench/scaled-results.md.
# BUILD is the build folder (build/native by default).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${BUILD:-$root/build/native}")
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target scaled_build_bench make_reader_bench_documents kwentool >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

pages=$root/examples/pages
"$build/kwentool" build -o "$work/dense.kwen" "$pages/text-1.png" "$pages/text-2.png" >/dev/null 2>&1
"$build/make_reader_bench_documents" pages "$work" 1 >/dev/null
"$build/kwentool" build -o "$work/colour.kwen" "$work"/page-*.ppm >/dev/null 2>&1
"$build/make_reader_bench_documents" big-page "$work/page2g.kwen" >/dev/null

threads=$(nproc)
table=$(
  echo "| page | full size, 1 thread (ms) | scaled, 1 thread (ms) | full size, $threads threads (ms) | scaled, $threads threads (ms) | peak memory (MiB) |"
  echo "|---|---|---|---|---|---|"
  "$build/scaled_build_bench" "$work/dense.kwen" 1 1100 "dense text, 2550 x 3300, 1 bit"
  "$build/scaled_build_bench" "$work/colour.kwen" 1 1100 "colour picture, 2550 x 3300, 24 bits"
  "$build/scaled_build_bench" "$work/page2g.kwen" 1 1100 "text, 131040 x 131040, 1 bit (2 GiB)"
)
echo "$table"
{
  echo "# Pages built through the library's interface"
  echo
  echo "\`bash bench/scaled-bench.sh\` on $threads cores (load average $(cut -d' ' -f1 /proc/loadavg) at the end), $(date +%F):"
  echo "page 1 built whole (\`BuildPage\`) and scaled to 1100 pixels wide (\`BuildScaled\`), the best of five runs, its"
  echo "packed document restored into a temporary file. Peak memory is the process's largest resident set."
  echo
  echo "$table"
} >"$root/bench/scaled-results.md"
