#!/usr/bin/env bash
# Builds the utility, packs the bundled example and restores it, showing the
# utility's report lines.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/native" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/native" -j "$(nproc)" --target durmo >/dev/null

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
durmo="$root/build/native/durmo"
example="$root/examples/sample.txt"
"$durmo" a "$out/sample.dur" "$example"
"$durmo" x "$out/sample.dur" "$out/sample.txt"
cmp "$example" "$out/sample.txt"
echo "restored $(wc -c <"$out/sample.txt") bytes from $(wc -c <"$out/sample.dur") packed, identical to the original"
