#!/usr/bin/env bash
# Builds the web reader into build/web: the document library compiled to
# WebAssembly (build/wasm) beside the reader's page and scripts. Copying
# build/web and the documents to any web server publishes them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

"$root/scripts/install-deps.sh" web
# Debian's emscripten runs its optimiser on node with Debian's acorn.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
echo "== building the web reader in build/web"
emcmake cmake -S "$root" -B "$root/build/wasm" -DCMAKE_BUILD_TYPE=Release -DKWEN_TESTS=OFF >/dev/null
cmake --build "$root/build/wasm" -j "$jobs" --target kwen_web
web=$root/build/web
mkdir -p "$web"
cp "$root/build/wasm/web/module/kwen-module.js" "$root/build/wasm/web/module/kwen-module.wasm" "$web/"
cp -r "$root/web/reader/." "$web/"
# The page's modules import one another a level at a time: named up front,
# the browser fetches them all at once rather than one level per round trip.
preloads=$(cd "$root/web/reader" && for module in *.js; do
  case $module in worker.js | kwen.js) ;; *) printf '<link rel="modulepreload" href="%s">\n' "$module" ;; esac
done)
awk -v preloads="$preloads" '/<script type="module"/ { print preloads } { print }' \
  "$root/web/reader/reader.html" > "$web/reader.html"
echo "web reader: build/web/reader.html"
