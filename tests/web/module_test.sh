#!/usr/bin/env bash
# The WebAssembly library against the native one (module_test.mjs) on the
# sample, the pinned twelve pages, documents with text, a lossy scan, cut
# and damaged documents, and the hostile documents the command-line tests use.
# Usage: module_test.sh WEB_DIR KWENTOOL MAKE_DOCUMENTS MAKE_HOSTILE DATA_DIR EXAMPLE_PAGES
set -euo pipefail
web=$(realpath "$1")
kwentool=$(realpath "$2")
make_documents=$(realpath "$3")
make_hostile=$(realpath "$4")
data=$(realpath "$5")
pages=$(realpath "$6")
here=$(cd "$(dirname "$0")" && pwd)
[ -f "$web/kwen-module.wasm" ] || { echo "no web build in $web (scripts/build-web.sh makes it)"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/docs" "$work/hostile"
"$make_documents" "$work/docs"
(cd "$work/hostile" && "$make_hostile" . >/dev/null 2>&1)
docs=$work/docs

# A lossy scan: a page of text made grey, blurred and noisy as a scanner leaves it.
convert "$pages/text-1.png" -colorspace Gray -blur 0x1 -attenuate 0.4 +noise Gaussian "$work/scan.png"
"$kwentool" build --lossy -o "$docs/lossy_scan.kwen" "$work/scan.png" "$pages/colour.png" >/dev/null 2>&1
head -c 20000 "$docs/sample.kwen" > "$docs/cut_short.kwen"
# The same document with a run of its packed bytes changed.
python3 - "$docs/sample.kwen" "$docs/damaged.kwen" <<'PY'
import sys
data = bytearray(open(sys.argv[1], 'rb').read())
for at in range(3000, 3100):
    data[at] ^= 0x5A
open(sys.argv[2], 'wb').write(data)
PY

node --no-experimental-fetch "$here/module_test.mjs" "$web" "$kwentool" "$work/pages" \
  "$docs"/sample.kwen "$docs"/sample.bs "$docs"/texted.kwen "$docs"/pinned.kwen "$docs"/lossy_scan.kwen \
  "$docs"/cut_short.kwen "$docs"/damaged.kwen "$data"/*.bs "$work"/hostile/*.bs "$work"/hostile/*.kwen
