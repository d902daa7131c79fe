#!/usr/bin/env bash
# Page building benchmark: `kwentool render` of dense 300 dpi text pages (a
# manual's pages through pdftoppm, made into documents by kwentool build),
# by the current sources and by those of an earlier revision: wall and CPU
# time of the whole command over several runs, and callgrind's instruction
# counts of the command and of LoadPage within it. The program's start alone
# (--help) is timed too, as the floor under every command. And a page loaded
# through file handles, as the Windows viewer reads, by a small driver built
# against each revision's document library.
#
#   bench/render-bench.sh [BASE [RESULTS]]
#
# BASE is the revision to compare with, by default the code before the speed
# work, as in bench/run-bench.sh. Writes bench/render-results.md. Not a test:
# it measures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
base=${1:-f39a0f0}
results=${2:-$root/bench/render-results.md}
runs=${RUNS:-20}
for tool in pdftoppm:poppler-utils valgrind:valgrind python3:python3; do
  command -v "${tool%%:*}" >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${tool#*:}" >/dev/null
done
manual=/usr/share/doc/valgrind/valgrind_manual.pdf.gz
[ -e "$manual" ] || { echo "no $manual to take pages from" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build() {  # build SOURCE_DIR BUILD_DIR TARGET...: release
  local source=$1 build_dir=$2
  shift 2
  cmake -S "$source" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DKWEN_TESTS=OFF >/dev/null
  nice cmake --build "$build_dir" -j "$(nproc)" --target "$@" >/dev/null
}
# The viewer's way of reading: page_load_bench over a tree's document library.
# A tree whose library still kept its state in program-wide variables builds
# the driver as it was then (at 0c4d4bf), with the tool's host beside it; a
# tree from before the layout by modules keeps the library in viewer/document
# and the tool in tools/kwentool, and a link in the build folder gives the
# driver its includes there.
legacy_driver=0c4d4bf
driver() {  # driver SOURCE_DIR BUILD_DIR OUT
  local source=$1 build_dir=$2 bench=$root/bench/page_load_bench.cpp extra=() includes=(-I"$1")
  if [ ! -e "$source/document/host.cpp" ]; then
    bench=$build_dir/page_load_bench_legacy.cpp
    git -C "$root" show "$legacy_driver:bench/page_load_bench.cpp" >"$bench"
    extra=("$source/kwentool/tool_host.cpp")
    if [ ! -e "${extra[0]}" ]; then
      extra=("$source/tools/kwentool/tool_host.cpp")
      mkdir -p "$build_dir/old-layout"
      ln -sfn "$source/viewer/document" "$build_dir/old-layout/document"
      includes+=(-I"$build_dir/old-layout")
    fi
  fi
  "${CXX:-c++}" -O2 -std=c++17 "${includes[@]}" "$bench" "${extra[@]}" "$build_dir/libkwen_document.a" -o "$3"
}
# BEFORE_KWENTOOL and AFTER_KWENTOOL name kwentool programs already built instead.
before=${BEFORE_KWENTOOL:-$work/base/build/kwentool}
after=${AFTER_KWENTOOL:-$root/build/release/kwentool}
echo "building the current sources and those of $base..." >&2
build "$root" "$root/build/release" kwen_document $([ -n "${AFTER_KWENTOOL:-}" ] || echo kwentool)
mkdir -p "$work/base"
git -C "$root" archive "$base" | tar -x -C "$work/base"
build "$work/base" "$work/base/build" kwen_document $([ -n "${BEFORE_KWENTOOL:-}" ] || echo kwentool)
driver "$root" "$root/build/release" "$work/load_after"
driver "$work/base" "$work/base/build" "$work/load_before"

cd "$work"
zcat "$manual" >manual.pdf
# Page 25: running text from edge to edge; pages 20 to 29 also hold figures.
pdftoppm -r 300 -mono -f 25 -l 25 manual.pdf dense
pdftoppm -r 300 -mono -f 20 -l 29 manual.pdf book
"$after" build -o dense.kwen dense-*.pbm >/dev/null 2>&1
"$after" build -o book.kwen book-*.pbm >/dev/null 2>&1
"$after" unpack dense.kwen dense.bs
"$after" unpack book.kwen book.bs

# timed RUNS PROGRAM... -- ARGUMENTS...: for each program, a line "wall
# median | wall fastest | CPU median" in ms. The programs take turns, so
# that a change in the machine's load falls on each alike.
timed() {
  python3 - "$@" <<'EOF'
import resource, statistics, subprocess, sys, time
runs = int(sys.argv[1])
split = sys.argv.index("--")
programs, arguments = sys.argv[2:split], sys.argv[split + 1:]
walls = {p: [] for p in programs}
cpus = {p: [] for p in programs}
for _ in range(runs):
    for program in programs:
        before, start = resource.getrusage(resource.RUSAGE_CHILDREN), time.perf_counter()
        subprocess.run([program] + arguments, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        end, after = time.perf_counter(), resource.getrusage(resource.RUSAGE_CHILDREN)
        walls[program].append((end - start) * 1000)
        cpus[program].append((after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime) * 1000)
for program in programs:
    print("%.1f | %.1f | %.1f" % (statistics.median(walls[program]), min(walls[program]), statistics.median(cpus[program])))
EOF
}
# counted COMMAND...: "instructions of the command | of LoadPage in it", in millions.
counted() {
  valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "$@" >/dev/null 2>&1
  callgrind_annotate --inclusive=yes "$work/callgrind.out" 2>/dev/null | awk '
    /PROGRAM TOTALS/ { gsub(",", "", $1); total = $1 }
    /:LoadPage\(/ { gsub(",", "", $1); load = $1 }
    END { printf "%.1f | %.1f\n", total / 1e6, load / 1e6 }'
}
row() {  # row LABEL BEFORE AFTER ARGUMENTS...
  local label=$1 before=$2 after=$3
  shift 3
  local times before_row after_row
  times=$(timed "$runs" "$before" "$after" -- "$@")
  before_row="$(head -n1 <<<"$times") | $(counted "$before" "$@")"
  after_row="$(tail -n1 <<<"$times") | $(counted "$after" "$@")"
  echo "| $label | before | $before_row |"
  echo "| | after | $after_row |"
  # Each figure before over the same one after.
  paste -d' ' <(tr '|' '\n' <<<"$before_row") <(tr '|' '\n' <<<"$after_row") |
    awk '{ printf "%s %.1f×", (NR == 1 ? "| | speed-up |" : " |"), $1 / $2 } END { print " |" }'
}

table=$(
  echo "| command | code | wall median (ms) | wall fastest (ms) | CPU median (ms) | instructions (M) | of them in LoadPage (M) |"
  echo "|---|---|---|---|---|---|---|"
  row "kwentool render dense.kwen 1 page.bmp" "$before" "$after" render dense.kwen 1 page.bmp
  row "kwentool render book.kwen all page-%02d.bmp" "$before" "$after" render book.kwen all page-%02d.bmp
  row "page_load_bench dense.bs 1 (through file handles)" "$work/load_before" "$work/load_after" dense.bs 1
  row "page_load_bench book.bs 1 (a figure of small spots)" "$work/load_before" "$work/load_after" book.bs 1
  echo "| kwentool --help (the program's start) | after | $(timed "$runs" "$after" -- --help) | $(counted "$after" --help) |"
)
echo "$table"
spots=$("$after" info dense.kwen | sed -n 's/^page 1: \(.*\)$/\1/p')
{
  echo "# kwentool render: page building"
  echo
  echo "\`bash bench/render-bench.sh $base\` on $(nproc) cores (load average $(cut -d' ' -f1 /proc/loadavg) at the end),"
  echo "$runs runs of each command; instructions counted by callgrind. \"before\" is kwentool built from $base,"
  echo "\"after\" from the current sources."
  echo
  echo "- dense.kwen: page 25 of the valgrind manual at 300 dpi, black and white ($spots)."
  echo "- book.kwen: its pages 20 to 29, two of them with large figures of many small spots."
  echo "- dense.bs, book.bs: the same unpacked, loaded by page_load_bench through two file handles as the"
  echo "  Windows viewer reads the file the utility restores (kwentool reads documents from memory)."
  echo
  echo "$table"
} >"$results"
