#!/usr/bin/env bash
# Searchable documents from outside: words read from pages of known text
# (drawn here) by build --ocr and ocr, the same document on one worker or
# two, pages kept byte for byte, the text printed as plain text, hOCR and
# JSON that parse, PDF inputs' own words, title and outline, and refusals:
# missing recognition data, an output that is the input, no document, no
# text, a damaged text layer.
# Usage: kwentool_text_test.sh KWENTOOL DURMO
set -u
tool=$(realpath "$1")
durmo=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
source "$here/../shell_checks.sh"

kwentool() { run "$tool" "$@"; }
size() { stat -c %s "$1"; }

# --- Two pages of known text at 300 dpi, each line's first word drawn with
# its baseline at (150, 200) and (150, 320).
lines1=("The quick brown fox jumps over the lazy dog." "Pack my box with five dozen liquor jugs.")
lines2=("Sphinx of black quartz, judge my vow." "How vexingly quick daft zebras jump!")
draw_page() {  # draw_page OUT FONT LINE1 LINE2
  convert -size 1500x500 xc:white -density 300 -units PixelsPerInch +antialias -font "$2" -pointsize 14 \
    -fill black -draw "text 150,200 '$3'" -draw "text 150,320 '$4'" -type Grayscale "$1"
}
draw_page page1.png Times-Roman "${lines1[@]}"
draw_page page2.png Helvetica "${lines2[@]}"
printf '%s\n' "${lines1[@]}" >expected1.txt
printf '%s\n' "${lines2[@]}" >expected2.txt

# JSON and hOCR as other programs read them.
json_check() {  # json_check PYTHON_EXPRESSION (of `doc`, the JSON of out.txt)
  python3 -c "import json, os, sys; doc = json.load(open('out.txt')); sys.exit(0 if ($1) else 1)"
}
# The share of the expected words (punctuation and all) the page's text has,
# each found as often as expected.
found_share() {  # found_share EXPECTED.txt PAGE_TEXT.txt
  python3 - "$1" "$2" <<'PY'
import collections, sys
expected = open(sys.argv[1]).read().split()
got = collections.Counter(open(sys.argv[2]).read().split())
found = sum(1 for word in expected if got[word] > 0 and not got.subtract([word]))
print(100 * found // len(expected))
PY
}

# --- build --ocr: the words, where they were drawn, the same on any number of workers.
kwentool build --ocr --jobs 1 --verbose -o one.kwen page1.png page2.png
told=$(grep -c '^page [12]: [0-9]* words recognised$' out.txt)
progress=$(grep -c '^recognising text: page [12] of 2$' err.txt)
check "build --ocr exits 0, telling the words of each page" same "$(rc):$told:$progress" "0:2:2"
kwentool build --ocr --jobs 2 -o two.kwen page1.png page2.png
check "--jobs 1 and --jobs 2 make the same document" cmp -s one.kwen two.kwen
for page in 1 2; do
  kwentool text one.kwen $page
  cp out.txt got$page.txt
  share=$(found_share expected$page.txt got$page.txt)
  check "page $page: at least 90% of its words are read ($share%)" test "$share" -ge 90
done
kwentool text one.kwen --format json
check "the JSON parses, two pages of their size" json_check \
  '[(p["page"], p["width"], p["height"]) for p in doc["pages"]] == [(1, 1500, 500), (2, 1500, 500)]'
# The first word's baseline is at (150, 200), its capitals about 40 pixels tall.
check "the first word's box is where it was drawn" json_check \
  'abs(doc["pages"][0]["lines"][0]["words"][0]["box"][0] - 150) <= 6 and
   abs(doc["pages"][0]["lines"][0]["words"][0]["box"][3] - 200) <= 6 and
   150 <= doc["pages"][0]["lines"][0]["words"][0]["box"][1] <= 170'
check "the second line's first word is 120 pixels lower" json_check \
  'abs(doc["pages"][0]["lines"][1]["words"][0]["box"][3] - 320) <= 6'
words=$(python3 -c "import json
print(sum(len(l['words']) for p in json.load(open('out.txt'))['pages'] for l in p['lines']))")
first_box=$(python3 -c "import json; print(*json.load(open('out.txt'))['pages'][0]['lines'][0]['words'][0]['box'])")
kwentool text one.kwen all --format hocr
python3 - >hocr.txt <<'PY'
import xml.etree.ElementTree as tree
spans = tree.parse('out.txt').getroot().iter('{http://www.w3.org/1999/xhtml}span')
words = [s for s in spans if s.get('class') == 'ocrx_word']
print(len(words), words[0].text, words[0].get('title'))
PY
check "the hOCR parses as XHTML, with the same words and boxes" same "$(cat hocr.txt)" "$words The bbox $first_box"
kwentool info one.kwen
check "info tells the words" grep -qx "text: $words words on 2 pages, 0 outline entries" out.txt

# --- A title with every character JSON and XML escape, as given.
export TITLE=$'A "quoted" <title> & a back\\slash,\ta tab and \x01'
title=$TITLE
kwentool build --title "$title" -o titled.kwen page1.png
check "a build without --ocr stores no words" same "$(rc):$("$tool" info titled.kwen | tail -n 1)" \
  "0:text: 0 words on 0 pages, title \"A \"quoted\" <title> & a back\\slash, a tab and  \", 0 outline entries"
kwentool text titled.kwen --format json
check "the JSON title is the title given" json_check "doc['title'] == os.environ['TITLE']"
kwentool text titled.kwen --format hocr
check "the hOCR title is XML" python3 -c "
import os, xml.etree.ElementTree as tree
title = tree.parse('out.txt').getroot().find('.//{http://www.w3.org/1999/xhtml}title').text
assert title == os.environ['TITLE'].replace('\x01', '\ufffd'), title"

# --- ocr: the pages kept byte for byte, the title kept, words added.
kwentool build --size T -o plain.kwen page1.png page2.png
"$tool" unpack plain.kwen plain.bs
kwentool ocr titled.kwen titled-ocr.kwen
"$tool" text titled-ocr.kwen --format json >out.txt
check "ocr keeps the title and adds the words" \
  json_check "doc['title'] == os.environ['TITLE'] and len(doc['pages'][0]['lines']) == 2"
kwentool ocr plain.kwen --jobs 2 ocr.kwen
check "ocr exits 0, telling the words" \
  same "$(rc):$(cat out.txt)" "0:ocr.kwen: $words words on 2 pages, $(size ocr.kwen) bytes packed"
"$tool" unpack ocr.kwen ocr.bs
check "the pages are kept byte for byte, the text after them" \
  eval 'cmp -s plain.bs <(head -c "$(size plain.bs)" ocr.bs) && [ "$(size ocr.bs)" -gt "$(size plain.bs)" ]'
"$tool" render plain.kwen all plain-%d.bmp 2>/dev/null
"$tool" render ocr.kwen all ocr-%d.bmp 2>/dev/null
check "the pages render the same" eval 'cmp -s plain-1.bmp ocr-1.bmp && cmp -s plain-2.bmp ocr-2.bmp'
check "in the window the input declares" same "$(od -An -tu1 -N1 ocr.kwen)" "$(od -An -tu1 -N1 plain.kwen)"
kwentool text ocr.kwen
check "the words are those build --ocr reads" same "$(cat out.txt)" "$("$tool" text one.kwen)"

# --- PDF inputs: their own words without --ocr, the first one's title, their
# outlines on the document's pages (an entry whose page is not taken left out,
# the entries under it moved up).
cat >book.ps <<'PS'
%!PS
[ /Title (A born-digital book) /DOCINFO pdfmark
[ /Title (Part one) /Count 2 /Page 1 /OUT pdfmark
[ /Title (Chapter one) /Page 1 /OUT pdfmark
[ /Title (Chapter two) /Page 2 /OUT pdfmark
[ /Title (Part two) /Count 1 /Page 3 /OUT pdfmark
[ /Title (Chapter three) /Page 3 /OUT pdfmark
/Times-Roman findfont 24 scalefont setfont
72 700 moveto (Searchable text on the first page) show showpage
72 700 moveto (More words on the second) show showpage
72 700 moveto (Third page words here) show showpage
PS
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -sOutputFile=book.pdf book.ps
kwentool build --dpi 100 -o pdf.kwen page1.png book.pdf:3,1
"$tool" text pdf.kwen --format json >out.txt
check "a PDF's title, words and outline" json_check "doc['title'] == 'A born-digital book' and
  [' '.join(w['text'] for w in l['words']) for p in doc['pages'] for l in p['lines']] ==
    ['Third page words here', 'Searchable text on the first page'] and
  [(o['title'], o['page'], o['level']) for o in doc['outline']] ==
    [('Part one', 3, 0), ('Chapter one', 3, 1), ('Part two', 2, 0), ('Chapter three', 2, 1)]"
kwentool build --dpi 100 --title Mine -o mine.kwen book.pdf:2-3
"$tool" text mine.kwen --format json >out.txt
check "--title over the PDF's; an entry under one not taken moves up" json_check "doc['title'] == 'Mine' and
  [(o['title'], o['page'], o['level']) for o in doc['outline']] == [('Chapter two', 1, 0), ('Part two', 2, 0),
    ('Chapter three', 2, 1)]"

# --- Refusals.
kwentool text plain.kwen
check "a document without text prints nothing, and says so" same "$(rc):$(cat out.txt):$(cat err.txt)" \
  "0::kwentool: plain.kwen has no text layer"
kwentool build --ocr --lang xqz -o lang.kwen page1.png
check "missing recognition data names the language and where it was looked for" \
  eval '[ "$(rc)" = 1 ] && grep -q "'"'xqz'"'.*tessdata.*xqz.traineddata" err.txt && [ ! -e lang.kwen ]'
cp ocr.kwen keep.kwen
kwentool ocr keep.kwen keep.kwen
check "ocr over its own input is refused, keeping it" same "$(rc):$(cmp keep.kwen ocr.kwen)" "1:"
convert -size 10x10 xc:white picture.bmp
printf 'plain text, not a document' >words.txt
"$durmo" a words.kwen words.txt >/dev/null 2>&1
for input in picture.bmp words.kwen; do
  kwentool ocr "$input" out.kwen
  check "ocr refuses $input, which is no document" same "$(rc):$(ls out.kwen 2>/dev/null)" "1:"
done
offset=$(size plain.bs)
cp ocr.bs damaged.bs
printf 'X' | dd of=damaged.bs bs=1 seek="$offset" conv=notrunc status=none
"$durmo" a damaged.kwen damaged.bs >/dev/null 2>&1
kwentool text damaged.kwen
check "a damaged text layer is refused with the reason" \
  eval '[ "$(rc)" = 1 ] && grep -q "^kwentool: damaged.kwen: .*not a text layer" err.txt && [ ! -s out.txt ]'
kwentool info damaged.kwen
check "info tells it too, after the pages" eval '[ "$(rc)" = 1 ] && grep -q "^page 2:" out.txt'
kwentool render damaged.kwen 2 damaged-2.bmp
check "its pages still render" same "$(rc):$(cmp damaged-2.bmp ocr-2.bmp)" "0:"
kwentool ocr damaged.kwen redone.kwen
check "ocr over a damaged text layer warns and reads the pages again" \
  eval '[ "$(rc)" = 0 ] && grep -q "^kwentool: warning: damaged.kwen: .*title and outline are lost" err.txt'
kwentool render redone.kwen 2 redone-2.bmp
check "... keeping the pages" same "$(rc):$(cmp redone-2.bmp ocr-2.bmp)" "0:"
kwentool build --title "Only a title" -o titled.kwen page1.png
kwentool text titled.kwen
check "a title without words is no text to print" same "$(rc):$(cat out.txt):$(cat err.txt)" \
  "0::kwentool: titled.kwen has no text layer"

# --- Packed data cut short after the last page: the pages are all there, the
# text is not; each command keeps the pages and says what was lost.
"$durmo" a cut.kwen ocr.bs >/dev/null 2>&1
head -c $(($(size cut.kwen) - 8)) cut.kwen >cut-short.kwen
mv cut-short.kwen cut.kwen
kwentool unpack cut.kwen cut.bs
check "unpack of text cut short keeps the pages, warning" \
  eval '[ "$(rc)" = 0 ] && cmp -s cut.bs plain.bs && grep -q "warning: .*the pages are kept" err.txt'
kwentool repack cut.kwen recut.kwen
"$tool" unpack recut.kwen recut.bs 2>/dev/null
check "repack of it packs the pages, warning" \
  eval '[ "$(rc)" = 0 ] && cmp -s recut.bs plain.bs && grep -q "warning: .*the pages are kept" err.txt'
kwentool ocr cut.kwen reread.kwen
check "ocr of it reads the pages again, warning" \
  eval '[ "$(rc)" = 0 ] && grep -q "warning: .*the pages are kept" err.txt'
kwentool text reread.kwen
check "... to the same words" same "$(cat out.txt)" "$("$tool" text ocr.kwen)"

usage=("text one.kwen --format pdf" "text one.kwen 1 2" "ocr one.kwen" "build --lang deu -o x.kwen page1.png"
       "ocr one.kwen x.kwen --lang ../x")
for arguments in "${usage[@]}"; do
  # shellcheck disable=SC2086
  kwentool $arguments
  check "usage error: $arguments" same "$(rc)" 2
done
finish kwentool_text
