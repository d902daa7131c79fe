#!/usr/bin/env bash
# Builds the native programs and tests in build/native, the 32-bit Windows
# ones in build/windows, the sample document and the Windows release bundle.
# Usage: build.sh [programs]   (programs: the native programs and the sample
# document only, as the example needs)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
mode=${1:-all}

tests=ON
[ "$mode" = programs ] && tests=OFF
echo "== building the native programs in build/native"
cmake -S "$root" -B "$root/build/native" -DCMAKE_BUILD_TYPE=Release -DKWEN_TESTS=$tests >/dev/null
cmake --build "$root/build/native" -j "$jobs"

# The sample document, built from the page images in examples/pages.
mkdir -p "$root/build/sample"
pages=$root/examples/pages
"$root/build/native/kwentool" build -o "$root/build/sample/sample.kwen" \
  "$pages/text-1.png" "$pages/text-2.png" "$pages/colour.png" 2>/dev/null
[ "$mode" = programs ] && exit 0

echo "== building the Windows programs in build/windows"
cmake -S "$root" -B "$root/build/windows" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DNATIVE_DURMO="$root/build/native/durmo" -DNATIVE_TOOLS_DIR="$root/build/native" >/dev/null
cmake --build "$root/build/windows" -j "$jobs"

# The Windows programs bundled with the sample.
bundle=$root/build/bundle/kwen-kit
rm -rf "$root/build/bundle"
mkdir -p "$bundle"
cp "$root/build/windows/durmo.exe" "$root/build/windows/kwenview.exe" "$root/build/windows/kwentool.exe" \
  "$root/build/sample/sample.kwen" "$bundle/"
cp "$root/build/windows/tests/viewer_driver.exe" "$root/build/bundle/"
cp "$root/docs/README-windows.txt" "$bundle/README.txt"
(cd "$root/build/bundle" && cmake -E tar cf "$root/build/kwen-kit.zip" --format=zip kwen-kit)
echo "release bundle: build/kwen-kit.zip"
