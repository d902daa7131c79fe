#!/usr/bin/env bash
# kwentool build --pack best and kwentool repack from outside: documents that
# durmo restores to the default build's bytes and that render to the same
# pages, smaller; and refusals that leave nothing half-written.
# Usage: kwentool_pack_best_test.sh KWENTOOL DURMO PAGES_DIR [RUNNER]
set -u
tool=$(realpath "$1")
durmo=$(realpath "$2")
pages=$(realpath "$3")
runner=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
source "$here/../shell_checks.sh"

kwentool() { run $runner "$tool" "$@"; }
restore() { "$durmo" x "$1" "$2" >/dev/null 2>&1; }  # durmo is always a native program
size() { stat -c %s "$1"; }

kwentool --help
check "--help describes --pack best" grep -q -e "--pack best" out.txt
check "--help describes repack" grep -q "repack IN.kwen OUT.kwen" out.txt

# --- The sample's pages, default and best.
cp "$pages"/text-1.png "$pages"/text-2.png "$pages"/colour.png .
kwentool build -o default.kwen text-1.png text-2.png colour.png
kwentool build --pack best -o best.kwen text-1.png text-2.png colour.png
check "its report gives its packed size" grep -q "packed      $(size best.kwen) bytes" out.txt
restore default.kwen default.bs
restore best.kwen best.bs
check "durmo restores the best packing to the default build's bytes" cmp -s default.bs best.bs
check "the best packing is at least 8% smaller" test $((100 * $(size best.kwen))) -le $((92 * $(size default.kwen)))
# The last page: everything before it restored too.
kwentool render default.kwen 3 default.ppm
kwentool render best.kwen 3 best.ppm
check "the last page renders the same from both" cmp -s default.ppm best.ppm
kwentool build --pack default -o plain.kwen text-1.png text-2.png colour.png
check "--pack default packs as durmo a does" cmp -s plain.kwen default.kwen
kwentool build --pack fastest -o never.kwen text-1.png
check "an unknown --pack is a usage error" same "$(rc):$(head -1 err.txt)" "2:kwentool: --pack takes best or default"

# --- A 4 KiB window (--size T) over a page of hundreds of KiB.
kwentool build --pack best --size T -o small.kwen text-1.png
kwentool build --size T -o small-default.kwen text-1.png
restore small.kwen small.bs
restore small-default.kwen small-default.bs
check "a small window's best packing restores" cmp -s small.bs small-default.bs
check "... and declares the same window" same "$(od -An -tu1 -N1 small.kwen)" "$(od -An -tu1 -N1 small-default.kwen)"

# --- repack.
kwentool repack default.kwen repacked.kwen
restore repacked.kwen repacked.bs
check "repack keeps the contents" cmp -s repacked.bs default.bs
check "repack packs as build --pack best" cmp -s repacked.kwen best.kwen
cp default.kwen kept.kwen
head -c $(($(size default.kwen) / 2)) default.kwen >cut.kwen
cp best.kwen target.kwen
printf 'plain text, not a document' >text.txt
"$durmo" a text.kwen text.txt >/dev/null 2>&1
: >empty.kwen
listing() { ls | grep -v -e '^out\.' -e '^err\.' -e '^rc\.' | sort; }
before=$(listing)
kwentool repack kept.kwen kept.kwen
check "repack over its input is refused" same "$(rc):$(tail -1 err.txt)" \
  "1:kwentool: kept.kwen is the document itself: it would be replaced"
check "... and the input keeps its bytes" cmp -s kept.kwen default.kwen
kwentool repack cut.kwen target.kwen
check "a document cut short is refused" same "$(rc):$(tail -1 err.txt)" \
  "1:kwentool: cut.kwen is damaged: its packed data does not end cleanly"
check "... and the output already there is kept" cmp -s target.kwen best.kwen
kwentool repack text.kwen target.kwen
check "a packed file that is no document is refused" same "$(rc):$(tail -1 err.txt)" \
  "1:kwentool: text.kwen does not hold a document (no label KNWE)"
kwentool repack empty.kwen target.kwen
check "an empty file is refused" same "$(rc):$(tail -1 err.txt)" "1:kwentool: empty.kwen is empty"
kwentool repack missing.kwen target.kwen
check "a missing file is refused" same "$(rc):$(tail -1 err.txt)" "1:kwentool: File does not exist: missing.kwen"
kwentool repack default.kwen unpacked.bs
check "an output not named .kwen is refused" same "$(rc):$(tail -1 err.txt)" \
  "1:kwentool: the output's name must end in .kwen, by which the viewer knows it"
check "no refusal left a file behind" same "$(listing)" "$before"
kwentool repack default.kwen
check "repack without its output is a usage error" same "$(rc)" 2

finish kwentool_pack_best
