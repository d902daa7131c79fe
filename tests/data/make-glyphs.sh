#!/usr/bin/env bash
# Renders glyphs.pbm, the letters of the shape-matching tests: one cell of
# 48 x 49 pixels a character (DejaVu Sans at 40 pixels, about 10 points at
# 300 dpi), in the order of kGlyphCharacters in shape_classes_test.cpp.
# Needs ImageMagick; the image is kept in the repository.
set -euo pipefail
cd "$(dirname "$0")"
characters='abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.,;:!?-()'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cells=()
for ((i = 0; i < ${#characters}; i++)); do
  convert -background white -fill black -font DejaVu-Sans -pointsize 40 label:"${characters:i:1}" \
    -gravity West -extent 48x49 "$work/$i.png"
  cells+=("$work/$i.png")
done
convert "${cells[@]}" +append -threshold 50% glyphs.pbm
