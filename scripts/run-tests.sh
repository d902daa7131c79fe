#!/usr/bin/env bash
# Every test: the native unit and command-line tests (the web reader's in
# headless Chromium among them), the same tests of the Windows build under
# Wine, the unit tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# and a bounded fuzzing run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-60}

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
"$root/scripts/build-web.sh"

source "$root/scripts/wine-env.sh"
if [ "$wine_bits" = 64 ]; then
  echo "== this machine cannot run 32-bit programs: the Windows tests run on a 64-bit build of the same sources"
  build_windows_for_wine
fi
wine wineboot --init >/dev/null 2>&1 || true
keep_wineserver

echo "== native tests"
ctest --test-dir "$root/build/native" --output-on-failure -j "$jobs"
echo "== Windows tests under Wine"
# A second try only for a test whose first run failed: Wine itself can
# still lose a start-up now and then, and a real fault fails both runs.
ctest --test-dir "$windows_build" --output-on-failure --repeat until-pass:2

echo "== sanitizers"
CXX=clang++ cmake -S "$root" -B "$root/build/sanitize" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKWEN_SANITIZE=address,undefined -DKWEN_FUZZ=ON >/dev/null
cmake --build "$root/build/sanitize" -j "$jobs"
ctest --test-dir "$root/build/sanitize" --output-on-failure -j "$jobs"

echo "== ThreadSanitizer: pages built on several threads"
CXX=clang++ cmake -S "$root" -B "$root/build/tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKWEN_SANITIZE=thread -DKWEN_TESTS=ON >/dev/null
cmake --build "$root/build/tsan" -j "$jobs" --target pinned_pages_test
"$root/build/tsan/tests/pinned_pages_test"

echo "== fuzzing, ${fuzz_seconds}s a target"
hostile="$root/build/sanitize/hostile_seeds"
mkdir -p "$hostile"
"$root/build/sanitize/tests/make_hostile" "$hostile"
fuzz_passed=0
fuzz_failed=0
fuzz() {  # fuzz TARGET MAX_LEN SEEDS...
  local target=$1 max_len=$2
  shift 2
  local corpus="$root/build/sanitize/${target}_corpus" log="$root/build/sanitize/$target.log"
  mkdir -p "$corpus"
  if "$root/build/sanitize/fuzz/$target" -max_total_time="$fuzz_seconds" -max_len="$max_len" -rss_limit_mb=4096 \
    "$corpus" "$@" >"$log" 2>&1; then
    fuzz_passed=$((fuzz_passed + 1))
    echo "$target: $(grep -E '^#[0-9]+' "$log" | tail -n 1)"
  else
    fuzz_failed=$((fuzz_failed + 1))
    echo "$target FAILED:"
    tail -n 40 "$log"
  fi
}
fuzz unpack_fuzz 4096 "$root/fuzz/seeds/unpack"
fuzz page_fuzz 8192 "$root/tests/data" "$hostile"
fuzz build_fuzz 4096 "$root/fuzz/seeds/images"
fuzz image_stb_fuzz 4096 "$root/fuzz/seeds/images"
fuzz pack_best_fuzz 16384 "$root/fuzz/seeds/unpack"
fuzz finder_fuzz 65536 "$root/tests/data"
fuzz tiff_fuzz 4096 "$root/fuzz/seeds/tiff"
fuzz text_layer_fuzz 4096 "$root/fuzz/seeds/text"
echo "fuzz: $fuzz_passed passed, $fuzz_failed failed"
[ "$fuzz_failed" -eq 0 ]
