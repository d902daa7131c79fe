#!/usr/bin/env bash
# Times the native reader (kwenview for Linux) on Qt's offscreen platform:
# start to first page painted, page changes to a page built ahead and to one
# far away, frame times while scrolling through every page, and the peak
# memory (largest resident set) after it, on four documents:
#   - 300 text pages of 850 x 1100 (tests' make_reader_documents);
#   - 40 dense text pages at 300 dpi (2550 x 3300), the sample's two text
#     pages over and over;
#   - 40 colour pages at 300 dpi, about 1 GB unpacked: noise-free gradients
#     under dense letter-like lines and a figure, from
#     make_reader_bench_documents, every pixel kept as a lossless picture by
#     kwentool build (about 25 MB a page; packed it is about 10 MB);
#   - the 2 GiB-page reproducer: one black and white page of 131040 x 131040
#     dots, whose bitmap is just under the 2 GiB a page may take, with nine
#     paragraphs of letter-like masks, written directly by
#     make_reader_bench_documents.
# A document the reader does not show gets "fails: <reason>" in its row,
# and the run goes on. The documents are made by this checkout's programs;
# the reader timed is TREE's, with TREE's own bench driver:
#
#   bench/reader-bench.sh [TREE [HEADING]]
#
# TREE defaults to this checkout. Prints the table and adds it, under
# HEADING with the date and the load average, to bench/reader-results.md.
# BUILD is this checkout's build folder (build/native by default),
# READER_BUILD TREE's (BUILD for this checkout, else TREE/build/native);
# READER_TIMEOUT bounds each document's run in seconds (1800).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tree=$(cd "${1:-$root}" && pwd)
heading=${2:-The reader of $tree}
build=$(realpath -m "${BUILD:-$root/build/native}")
if [ "$tree" = "$root" ]; then
  reader_build=$(realpath -m "${READER_BUILD:-$build}")
else
  reader_build=$(realpath -m "${READER_BUILD:-$tree/build/native}")
fi
timeout_s=${READER_TIMEOUT:-1800}
colour_pages=40

makers=(kwentool make_reader_documents make_reader_bench_documents)
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
if [ "$reader_build" = "$build" ]; then
  cmake --build "$build" -j 2 --target reader_bench "${makers[@]}" >/dev/null
else
  cmake --build "$build" -j 2 --target "${makers[@]}" >/dev/null
  cmake -S "$tree" -B "$reader_build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$reader_build" -j 2 --target reader_bench >/dev/null
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

made=()  # how long each document took to make
timed() {  # timed NAME COMMAND...: runs it, noting its wall time
  local start=$SECONDS
  "${@:2}"
  made+=("$1 $((SECONDS - start)) s")
}
echo "making the documents..." >&2
timed "300 text pages" "$build/tests/viewer/desktop/make_reader_documents" "$work"
pages=$root/examples/pages
images=()
for _ in $(seq 20); do images+=("$pages/text-1.png" "$pages/text-2.png"); done
timed "40 dense pages" "$build/kwentool" build -o "$work/dense40.kwen" "${images[@]}" >/dev/null 2>&1
make_colour() {
  mkdir "$work/colour"
  "$build/make_reader_bench_documents" pages "$work/colour" "$colour_pages"
  "$build/kwentool" build -o "$work/colour40.kwen" "$work/colour"/page-*.ppm 2>/dev/null >"$work/colour40.txt"
  rm -r "$work/colour"
}
timed "40 colour pages" make_colour
colour_mib=$(awk '$1 == "unpacked" { printf "%.0f", $2 / 1048576 }' "$work/colour40.txt")
timed "2 GiB page" "$build/make_reader_bench_documents" big-page "$work/page2g.kwen"

export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$work/config
load_start=$(cut -d' ' -f1 /proc/loadavg)
# run DOCUMENT LABEL: the reader's row; when it prints none (a crash, a
# kill, no end in time), a row saying so.
run() {
  local row status=0 reason
  row=$(timeout "$timeout_s" "$reader_build/viewer/desktop/reader_bench" "$1" "$2" 2>"$work/stderr") || status=$?
  if [[ "$row" == "|"* ]]; then
    echo "$row"
    return
  fi
  if [ "$status" -eq 124 ]; then
    reason="no end within $timeout_s s"
  elif [ "$status" -gt 128 ]; then
    reason="killed by SIG$(kill -l $((status - 128)))"
    [ "$status" -eq 137 ] && reason="$reason (out of memory?)"
  else
    reason=$(sed -n 's/^reader_bench: //p' "$work/stderr" | tail -n 1)
    reason=${reason:-exit status $status}
  fi
  echo "| $2 | - | fails: $reason | - | - | - | - | - |"
}
table=$(
  echo "| document | pages | start to first page painted (ms) | cached page change (ms) | uncached page change (ms) | scroll frame median (ms) | scroll frame 95% (ms) | peak memory (MiB) |"
  echo "|---|---|---|---|---|---|---|---|"
  run "$work/pages300.kwen" "300 text pages 850 x 1100"
  run "$work/dense40.kwen" "40 dense pages 2550 x 3300, 300 dpi"
  run "$work/colour40.kwen" "$colour_pages colour pages 2550 x 3300, 300 dpi, $colour_mib MiB unpacked"
  run "$work/page2g.kwen" "2 GiB page: 131040 x 131040, 1 bit"
)
echo "$table"
revision=$(git -C "$tree" rev-parse --short HEAD 2>/dev/null || true)
{
  echo
  echo "## $heading"
  echo
  echo "$(date -u +%Y-%m-%d), $(nproc) cores, load average $load_start at the start of the runs and"
  echo "$(cut -d' ' -f1 /proc/loadavg) at the end; the reader of $tree${revision:+ ($revision)}."
  echo "Documents made in: $(printf '%s, ' "${made[@]}" | sed 's/, $//')."
  echo
  echo "$table"
} >>"$root/bench/reader-results.md"
