#!/usr/bin/env bash
# Every test: the native unit and command-line tests, the same tests of the
# Windows build under Wine, the unit tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, and a bounded fuzzing run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-60}

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

export WINEDEBUG=-all
export WINEPREFIX="$root/build/wineprefix"
mkdir -p "$WINEPREFIX"
wineboot --init >/dev/null 2>&1 || true

echo "== native tests"
ctest --test-dir "$root/build/native" --output-on-failure -j "$jobs"
echo "== Windows tests under Wine"
ctest --test-dir "$root/build/windows" --output-on-failure

echo "== sanitizers"
CXX=clang++ cmake -S "$root" -B "$root/build/sanitize" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKWEN_SANITIZE=address,undefined -DKWEN_FUZZ=ON >/dev/null
cmake --build "$root/build/sanitize" -j "$jobs"
ctest --test-dir "$root/build/sanitize" --output-on-failure -j "$jobs"

echo "== fuzzing, ${fuzz_seconds}s a target"
fuzz() {  # fuzz TARGET MAX_LEN SEEDS
  local corpus="$root/build/sanitize/$1_corpus"
  mkdir -p "$corpus"
  "$root/build/sanitize/fuzz/$1" -max_total_time="$fuzz_seconds" -max_len="$2" -rss_limit_mb=4096 \
    "$corpus" "$3" 2>&1 | tail -n 1
}
fuzz unpack_fuzz 4096 "$root/fuzz/seeds/unpack"
fuzz page_fuzz 8192 "$root/tests/data"
fuzz build_fuzz 4096 "$root/fuzz/seeds/images"
echo "fuzz: 3 passed, 0 failed"
