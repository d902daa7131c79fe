#!/usr/bin/env bash
# Renders pages.ps into the page images of the bundled sample: the two text
# pages in black and white at 300 dpi, the colour page at 150 dpi. Needs
# Ghostscript; the images are kept in the repository, so building does not.
set -euo pipefail
cd "$(dirname "$0")"
render=(gs -q -dSAFER -dNOPAUSE -dBATCH -sPAPERSIZE=letter -dFIXEDMEDIA)
"${render[@]}" -sDEVICE=pngmono -r300 -dFirstPage=1 -dLastPage=2 -sOutputFile=text-%d.png pages.ps
"${render[@]}" -sDEVICE=png16m -r150 -dFirstPage=3 -dLastPage=3 -sOutputFile=colour.png pages.ps
