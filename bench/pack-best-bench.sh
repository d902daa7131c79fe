#!/usr/bin/env bash
# Best packing against the default (greedy) packing: bytes, MB/s and peak
# memory on the compression benchmark's corpus (man pages, a shared library,
# tars of headers) and on unpacked documents (the bundled sample and ten
# pages of each PDF manual the build benchmark renders). Every best packing
# is restored by durmo x and compared. Writes bench/pack-best-results.md.
# Not a test: it measures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
results=${1:-$root/bench/pack-best-results.md}
cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=Release -DKWEN_TESTS=OFF >/dev/null
cmake --build "$root/build/release" -j "$(nproc)" --target durmo kwentool pack_best_bench >/dev/null
durmo="$root/build/release/durmo"
kwentool="$root/build/release/kwentool"
bench="$root/build/release/pack_best_bench"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
MiB=$((1 << 20))

# The compression benchmark's corpus, cut the same way.
find /usr/share/man -name '*.gz' | sort | xargs zcat 2>/dev/null | head -c $((10 * MiB)) >"$work/man-pages.txt" || true
head -c $((12 * MiB)) /usr/lib/x86_64-linux-gnu/libLLVM-14.so.1 >"$work/libLLVM.so"
tar -cf - -C /usr/include c++ 2>/dev/null | head -c $((12 * MiB)) >"$work/cxx-headers.tar" || true
tar -cf - -C /usr/share mingw-w64 2>/dev/null | head -c $((24 * MiB)) >"$work/mingw-headers.tar" || true
corpus=(man-pages.txt libLLVM.so cxx-headers.tar mingw-headers.tar)

# Unpacked documents: the sample's pages, and the build benchmark's book.
pages="$root/examples/pages"
"$kwentool" build -o "$work/sample.kwen" "$pages/text-1.png" "$pages/text-2.png" "$pages/colour.png" >/dev/null 2>&1
"$kwentool" unpack "$work/sample.kwen" "$work/sample-document.bs" >/dev/null
corpus+=(sample-document.bs)
manuals=(
  "/usr/share/doc/bzip2/manual.pdf.gz 3 10"
  "/usr/share/doc/valgrind/valgrind_manual.pdf.gz 20 10"
  "/usr/share/doc/nettle-dev/nettle.pdf.gz 8 10"
  "/usr/share/doc/gnucobol3/gnucobol.pdf.gz 10 10"
  "/usr/share/doc/libtasn1-doc/libtasn1.pdf 5 10")
if command -v pdftoppm >/dev/null; then
  for entry in "${manuals[@]}"; do
    read -r pdf first count <<<"$entry"
    [ -e "$pdf" ] || continue
    name=$(basename "${pdf%%.pdf*}")
    case "$pdf" in *.gz) zcat "$pdf" >"$work/$name.pdf" ;; *) cp "$pdf" "$work/$name.pdf" ;; esac
    pdftoppm -r 300 -mono -f "$first" -l $((first + count - 1)) "$work/$name.pdf" "$work/page-$name"
  done
  if compgen -G "$work/page-*.pbm" >/dev/null; then
    "$kwentool" build -o "$work/book.kwen" "$work"/page-*.pbm >/dev/null 2>&1
    "$kwentool" unpack "$work/book.kwen" "$work/manuals-document.bs" >/dev/null
    corpus+=(manuals-document.bs)
  fi
fi

measure() {  # measure COMMAND...: sets $seconds (processor time) and $peak_kib
  /usr/bin/time -f "%U %S %M" -o "$work/time.txt" "$@" >"$work/stdout.txt" 2>/dev/null
  read -r user system peak_kib <"$work/time.txt"
  seconds=$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')
}
rate() { awk -v b="$1" -v s="$2" 'BEGIN { if (s <= 0) s = 0.005; printf "%.2f", b / 1048576 / s }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
saving() { awk -v d="$1" -v b="$2" 'BEGIN { printf "%.1f", 100 * (d - b) / d }'; }

rows=()
for name in "${corpus[@]}"; do
  source="$work/$name"
  size=$(stat -c %s "$source")
  [ "$size" -gt 0 ] || continue
  measure "$durmo" a "$work/default.dur" "$source"
  default_bytes=$(stat -c %s "$work/default.dur") default_s=$seconds default_kib=$peak_kib
  measure "$bench" "$source" "$work/best.dur"
  read -r best_bytes best_s <"$work/stdout.txt"
  best_kib=$peak_kib
  "$durmo" x "$work/best.dur" "$work/restored" >/dev/null 2>&1
  cmp -s "$source" "$work/restored" || { echo "durmo x did not restore the best packing of $name" >&2; exit 1; }
  rows+=("| $name | $(mib $((size / 1024))) | $default_bytes | $best_bytes | $(saving "$default_bytes" "$best_bytes") | $(rate "$size" "$default_s") | $(rate "$size" "$best_s") | $(mib "$default_kib") | $(mib "$best_kib") |")
  echo "${rows[-1]}"
done

{
  echo "# Best packing against the default packing"
  echo
  echo "$(date -u +%Y-%m-%d), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')."
  echo "Default: durmo a with its default switches (greedy parse, 1 MiB window); best: the cheapest parse in the"
  echo "same window (kwentool build --pack best). MB/s: source MiB per processor second, since the machine is"
  echo "shared (durmo a: the whole run with file reading; best: the packing in memory). Peak MiB: the process's peak resident memory; the best packing's"
  echo "includes the source and the packed data held in memory. Every best packing restores through durmo x."
  echo
  echo "| file | MiB | default bytes | best bytes | saved % | default MB/s | best MB/s | default peak MiB | best peak MiB |"
  echo "|---|---|---|---|---|---|---|---|---|"
  printf '%s\n' "${rows[@]}"
} >"$results"
echo "written: $results"
