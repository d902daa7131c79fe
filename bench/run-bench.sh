#!/usr/bin/env bash
# Compression benchmark: durmo under every search switch, with the default
# and the 16 MiB window, beside gzip, bzip2, xz and zstd, on a corpus of files
# found on the machine. Prints one table and writes it to bench/results.md.
# The speed-up and peak columns compare durmo with the code before the rings
# took the room packing may use (commit b28dc86), built in a temporary
# folder and run on the same files; the CPU column compares packing's CPU
# time with gzip -9's on the same file.
# Not a test: it measures, it does not judge.
#
#   bench/run-bench.sh [RESULTS]
#
# WINDOWS lists the window switches to run ("" is the default window); the
# 16 MiB window (/H) at /T and /S takes about an hour in all, so
# WINDOWS="''" leaves it out.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
results=${1:-$root/bench/results.md}
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=Release -DKWEN_TESTS=OFF >/dev/null
cmake --build "$root/build/release" -j "$(nproc)" --target durmo >/dev/null
durmo="$root/build/release/durmo"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
baseline_commit=b28dc86
git -C "$root" archive "$baseline_commit" | tar -x -C "$work" --one-top-level=baseline
cmake -S "$work/baseline" -B "$work/baseline/build" -DCMAKE_BUILD_TYPE=Release -DKWEN_TESTS=OFF >/dev/null
cmake --build "$work/baseline/build" -j "$(nproc)" --target durmo >/dev/null
baseline="$work/baseline/build/durmo"
MiB=$((1 << 20))

# The corpus: text, binary, a source tree, and a file larger than 16 MiB.
find /usr/share/man -name '*.gz' | sort | xargs zcat 2>/dev/null | head -c $((10 * MiB)) >"$work/man-pages.txt" || true
head -c $((12 * MiB)) /usr/lib/x86_64-linux-gnu/libLLVM-14.so.1 >"$work/libLLVM.so"
tar -cf - -C /usr/include c++ 2>/dev/null | head -c $((12 * MiB)) >"$work/cxx-headers.tar" || true
tar -cf - -C /usr/share mingw-w64 2>/dev/null | head -c $((24 * MiB)) >"$work/mingw-headers.tar" || true
corpus=(man-pages.txt libLLVM.so cxx-headers.tar mingw-headers.tar)

# measure COMMAND...: runs it, sets $seconds (wall, to the microsecond),
# $cpu (user and system seconds) and $peak_kib. Commands under a second run
# three times and keep the fastest: restoring takes tens of milliseconds,
# where one run says little.
measure() {
  local best="" best_cpu="" start end run run_cpu user system
  for run in 1 2 3; do
    start=$(date +%s%N)
    /usr/bin/time -f "%M %U %S" -o "$work/time.txt" "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    read -r peak_kib user system <"$work/time.txt"
    run=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", (b - a) / 1e9 }')
    run_cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.2f", u + s }')
    best=$(awk -v a="$run" -v b="${best:-$run}" 'BEGIN { print (a < b ? a : b) }')
    best_cpu=$(awk -v a="$run_cpu" -v b="${best_cpu:-$run_cpu}" 'BEGIN { print (a < b ? a : b) }')
    awk -v s="$best" 'BEGIN { exit !(s >= 1) }' && break
  done
  seconds=$best
  cpu=$best_cpu
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b <= 0) b = 0.005; printf "%.2f", a / b }'; }
rate() { awk -v b="$1" -v s="$2" 'BEGIN { if (s <= 0) s = 0.005; printf "%.2f", b / 1048576 / s }'; }
bpb() { awk -v p="$1" -v s="$2" 'BEGIN { printf "%.3f", 8 * p / s }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

rows=()
row() {  # row FILE TOOL PACKED_SIZE SOURCE_SIZE C_SECONDS C_KIB D_SECONDS D_KIB [SPEED-UP PEAK CPU]
  rows+=("| $1 | $2 | $(bpb "$3" "$4") | $(rate "$4" "$5") | $(rate "$4" "$7") | $(mib "$6") | $(mib "$8") | ${9:-} | ${10:-} | ${11:-} |")
  echo "${rows[-1]}"
}

for name in "${corpus[@]}"; do
  source="$work/$name"
  size=$(stat -c %s "$source")
  [ "$size" -gt 0 ] || continue
  measure sh -c "gzip -9 -c '$source' >'$work/p.out'"
  gzip_cpu=$cpu
  eval "windows=(${WINDOWS:-\"\" /H})"
  for window in "${windows[@]}"; do
    for search in /T /S /G /F /Q; do
      measure "$durmo" a "$work/p.dur" "$source" "$search" $window
      c_s=$seconds c_k=$peak_kib c_cpu=$cpu
      measure "$durmo" x "$work/p.dur" "$work/restored"
      cmp -s "$source" "$work/restored" || { echo "durmo did not restore $name" >&2; exit 1; }
      d_s=$seconds d_k=$peak_kib
      measure "$baseline" a "$work/b.dur" "$source" "$search" $window
      b_c=$seconds b_k=$peak_kib
      cmp -s "$work/p.dur" "$work/b.dur" || { echo "durmo packed $name unlike the code before" >&2; exit 1; }
      measure "$baseline" x "$work/b.dur" "$work/restored"
      speedup="$(ratio "$b_c" "$c_s") / $(ratio "$seconds" "$d_s")"
      row "$name" "durmo $search ${window:-/1}" "$(stat -c %s "$work/p.dur")" "$size" "$c_s" "$c_k" "$d_s" "$d_k" \
        "$speedup" "$(ratio "$c_k" "$b_k")" "$(ratio "$c_cpu" "$gzip_cpu")"
    done
  done
  for tool in "gzip -6" "gzip -9" "bzip2 -9" "xz -6" "zstd -19"; do
    set -- $tool
    measure sh -c "$1 $2 -c '$source' >'$work/p.out'"
    c_s=$seconds c_k=$peak_kib
    measure sh -c "$1 -d -c '$work/p.out' >'$work/restored'"
    cmp -s "$source" "$work/restored" || { echo "$tool did not restore $name" >&2; exit 1; }
    row "$name" "$tool" "$(stat -c %s "$work/p.out")" "$size" "$c_s" "$c_k" "$seconds" "$peak_kib"
  done
done

# Packing's peak memory at each window, /G, on the largest file of the
# corpus, which fills every window.
largest=mingw-headers.tar
window_rows=()
for window in /T /S /C /1 /2 /M /L /H; do
  measure "$durmo" a "$work/p.dur" "$work/$largest" /G "$window"
  now_k=$peak_kib
  measure "$baseline" a "$work/b.dur" "$work/$largest" /G "$window"
  window_rows+=("| $window | $(mib "$peak_kib") | $(mib "$now_k") | $(ratio "$now_k" "$peak_kib") |")
  echo "${window_rows[-1]}"
done

{
  echo "# Compression benchmark"
  echo
  echo "$(date -u +%Y-%m-%d), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')."
  echo "Corpus: ${corpus[*]} (sizes in MiB: $(for n in "${corpus[@]}"; do printf '%s ' "$(mib $(( $(stat -c %s "$work/$n") / 1024 )))"; done))."
  echo "MB/s in: source MiB per second of packing; MB/s out: restored MiB per second of restoring."
  echo "Windows: ${WINDOWS:-\"\" /H} (\"\" is the default window, 1 MiB)."
  echo
  echo "Speed-up: times faster than durmo at $baseline_commit, packing / restoring (wall time)."
  echo "Peak: packing's peak memory as a multiple of durmo's at $baseline_commit."
  echo "CPU: packing's CPU time (user and system) as a multiple of gzip -9's on the same file."
  echo
  echo "| file | tool | bits/byte | MB/s in | MB/s out | peak MiB packing | peak MiB restoring | speed-up | peak | CPU |"
  echo "|---|---|---|---|---|---|---|---|---|---|"
  printf '%s\n' "${rows[@]}"
  echo
  echo "Packing's peak memory at each window (durmo /G on $largest), MiB:"
  echo
  echo "| window | at $baseline_commit | now | ratio |"
  echo "|---|---|---|---|"
  printf '%s\n' "${window_rows[@]}"
} >"$results"
echo
cat "$results"
