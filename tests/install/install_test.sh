#!/usr/bin/env bash
# The document library as another program uses it: installed on its own
# (component kwen), each public header compiled alone, and the API example
# built against the installed tree only, with pkg-config and with the CMake
# package, then run on the sample document.
# Usage: install_test.sh CMAKE BUILD_DIR KWENTOOL CXX
set -u
cmake=$1
build=$(realpath "$2")
tool=$(realpath "$3")
cxx=$4
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
example=$source_dir/examples/api
pages=$source_dir/examples/pages
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
source "$here/../shell_checks.sh"

# A 32-bit big-endian field of a PNG file's header.
png_field() { od -An -t u1 -j "$2" -N 4 "$1" | awk '{ print (($1 * 256 + $2) * 256 + $3) * 256 + $4 }'; }
png_width() { png_field "$1" 16; }
png_height() { png_field "$1" 20; }
# shows_page PNG SOURCE: the PNG, decoded whole (checksums and all), is the
# source image averaged by area to its size, as ImageMagick's -scale averages.
shows_page() {
  local error
  convert "$2" -scale "$(png_width "$1")x$(png_height "$1")!" expected.pnm
  error=$(compare -metric RMSE "$1" expected.pnm null: 2>&1 | sed 's/.*(\(.*\))/\1/')
  awk -v e="$error" 'BEGIN { exit !(e ~ /^[0-9.]+(e-[0-9]+)?$/ && e < 0.002) }' || { echo "  RMSE: $error"; return 1; }
}

prefix=$work/prefix
run "$cmake" --install "$build" --prefix "$prefix" --component kwen
check "the library installs" same "$(rc)" 0
check "only the public headers are installed" same "$(cd "$prefix/include" && find . -type f | sort)" \
  "$(cd "$source_dir/include" && find . -name '*.h' | sort)"
for header in "$prefix"/include/kwen/*.h; do
  echo "#include <kwen/$(basename "$header")>" >alone.cpp
  run "$cxx" -std=c++17 -Wall -Wextra -Wshadow -pedantic -Werror -I"$prefix/include" -c alone.cpp -o alone.o
  check "$(basename "$header") compiles alone" same "$(rc):$(cat err.txt)" "0:"
done

run "$tool" build -o sample.kwen "$pages/text-1.png" "$pages/text-2.png" "$pages/colour.png"
check "the sample document builds" same "$(rc)" 0

# --- Through pkg-config, as examples/api/README.md shows.
PKG_CONFIG_PATH=$(dirname "$(find "$prefix" -name kwen.pc)")
export PKG_CONFIG_PATH
run "$cxx" -std=c++17 -Wall -Wextra -Werror "$example/render_page.cpp" $(pkg-config --cflags --libs kwen) -o render_page
check "the example builds with pkg-config" same "$(rc):$(cat err.txt)" "0:"
run ./render_page sample.kwen page1.png
check "the example lists the pages and writes page 1" same "$(rc):$(cat out.txt)" "0:pages: 3
page 1: $(png_width "$pages/text-1.png") x $(png_height "$pages/text-1.png"), 300 dpi, 1 bits
page 2: $(png_width "$pages/text-2.png") x $(png_height "$pages/text-2.png"), 300 dpi, 1 bits
page 3: $(png_width "$pages/colour.png") x $(png_height "$pages/colour.png"), 150 dpi, 24 bits
page 1, 800 x 1035, written to page1.png"
check "it writes a PNG file" same "$(od -An -t x1 -N 8 page1.png | tr -d ' ')" 89504e470d0a1a0a
check "800 pixels wide" same "$(png_width page1.png) x $(png_height page1.png)" "800 x 1035"
check "it shows the grey page" shows_page page1.png "$pages/text-1.png"
run "$tool" build --mode lossless -o colour.kwen "$pages/colour.png"
run ./render_page colour.kwen colour.png
check "and a colour page in colour" shows_page colour.png "$pages/colour.png"
run ./render_page "$pages/pages.ps" out.png
check "what is not a document gets the library's message" same "$(rc):$(grep -c . err.txt):$([ -e out.png ]; echo $?)" "1:1:1"

# --- Through the CMake package.
run "$cmake" -S "$example" -B cmake-build -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx"
check "find_package(kwen) finds it" same "$(rc)" 0
run "$cmake" --build cmake-build
check "the example builds with kwen::kwen" same "$(rc)" 0
run cmake-build/render_page sample.kwen page1-cmake.png
check "and writes the same page" cmp page1.png page1-cmake.png
finish install
