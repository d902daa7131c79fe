#!/usr/bin/env bash
# Documents with text read by the kwentool from before documents had text:
# it opens them and renders every page byte for byte as today's kwentool
# renders them, and as it renders the same document without text; the
# utility restores the whole document, text and all. The old kwentool is
# built from the project's history (skipped where there is none).
# Usage: old_reader_test.sh KWENTOOL DURMO SOURCE_ROOT CACHE_DIR PAGES_DIR
set -u
tool=$(realpath "$1")
durmo=$(realpath "$2")
root=$(realpath "$3")
cache=$(realpath -m "$4")
pages=$(realpath "$5")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../shell_checks.sh"
old_commit=5a917a9  # the last kwentool that knew nothing of text

if ! git -C "$root" cat-file -e "$old_commit^{commit}" 2>/dev/null; then
  echo "skipped: the sources are not a git checkout with the commit $old_commit"
  exit 77
fi
old=$cache/old-kwentool-$old_commit
if [ ! -x "$old/build/kwentool" ]; then
  echo "building the kwentool of $old_commit (once)"
  rm -rf "$old" && mkdir -p "$old/source"
  git -C "$root" archive "$old_commit" | tar -x -C "$old/source" || exit 1
  { cmake -S "$old/source" -B "$old/build" -DCMAKE_BUILD_TYPE=Release -DKWEN_TESTS=OFF &&
    cmake --build "$old/build" -j "$(nproc)" --target kwentool; } >"$cache/old-kwentool.log" 2>&1 ||
    { tail -n 20 "$cache/old-kwentool.log"; exit 1; }
fi
old_tool=$old/build/kwentool

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# A born-digital PDF of two pages with a title and an outline.
cat >book.ps <<'PS'
%!PS
[ /Title (An old reader's book) /DOCINFO pdfmark
[ /Title (Chapter one) /Page 1 /OUT pdfmark
[ /Title (Chapter two) /Page 2 /OUT pdfmark
/Times-Roman findfont 24 scalefont setfont
72 700 moveto (Searchable text on the first page) show showpage
72 700 moveto (And more words on the second) show showpage
PS
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -sOutputFile=book.pdf book.ps || exit 1
cp "$pages"/text-1.png "$pages"/colour.png .

"$tool" build -o plain.kwen text-1.png colour.png >/dev/null 2>&1
"$tool" build --ocr --title "Scanned" -o ocr.kwen text-1.png colour.png >/dev/null 2>&1
"$tool" ocr plain.kwen added.kwen >/dev/null 2>&1
"$tool" build --dpi 150 -o pdf.kwen book.pdf >/dev/null 2>&1
"$tool" build --dpi 150 --mode lossless -o pdf-lossless.kwen book.pdf >/dev/null 2>&1
for doc in ocr added pdf; do
  check "$doc.kwen has words" test -n "$("$tool" text "$doc.kwen" 2>/dev/null | tr -d '[:space:]')"
done

# renders TOOL DOC PREFIX: every page as BMP, as the viewer exports it
renders() { "$1" render "$2" all "$3-%d.bmp" >/dev/null 2>&1; }
same_renders() {  # same_renders PREFIX_A PREFIX_B COUNT
  local k
  for k in $(seq 1 "$3"); do cmp -s "$1-$k.bmp" "$2-$k.bmp" || return 1; done
}
renders "$old_tool" plain.kwen plain-old
for doc in ocr added pdf; do
  check "the old kwentool opens $doc.kwen" "$old_tool" info "$doc.kwen"
  renders "$old_tool" "$doc.kwen" "$doc-old"
  renders "$tool" "$doc.kwen" "$doc-new"
  pages_of=$("$tool" info "$doc.kwen" 2>/dev/null | grep -c '^page ')
  check "$doc.kwen: the old kwentool renders $pages_of pages as today's" same_renders "$doc-old" "$doc-new" "$pages_of"
done
check "text added to a document changes none of its pages" same_renders added-old plain-old 2

# The utility restores what today's tools unpack: pages and text.
"$durmo" x ocr.kwen restored.bs >/dev/null 2>&1
"$tool" unpack ocr.kwen unpacked.bs >/dev/null 2>&1
check "durmo x restores the pages and the text" cmp restored.bs unpacked.bs
"$old_tool" unpack ocr.kwen old-unpacked.bs >/dev/null 2>&1
check "the old kwentool unpacks the pages before the text" \
  cmp old-unpacked.bs <(head -c "$(stat -c %s old-unpacked.bs)" restored.bs)
"$tool" repack ocr.kwen repacked.kwen >/dev/null 2>&1
check "repack keeps the text" same "$("$tool" text repacked.kwen 2>&1)" "$("$tool" text ocr.kwen 2>&1)"
check "which the text follows" test "$(stat -c %s old-unpacked.bs)" -lt "$(stat -c %s restored.bs)"
finish kwentool_old_reader
