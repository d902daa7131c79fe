#!/usr/bin/env bash
# Builds the native programs and tests in build/native and the 32-bit
# Windows ones in build/windows.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

cmake -S "$root" -B "$root/build/native" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/native" -j "$jobs"
cmake -S "$root" -B "$root/build/windows" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DNATIVE_DURMO="$root/build/native/durmo" -DNATIVE_TOOLS_DIR="$root/build/native" >/dev/null
cmake --build "$root/build/windows" -j "$jobs"
