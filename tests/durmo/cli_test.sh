#!/usr/bin/env bash
# The utility from outside: usage, messages, exit codes and report lines.
# Usage: cli_test.sh DURMO [RUNNER]   (RUNNER is "wine" for the Windows build)
set -u
durmo_path=$(realpath "$1")
runner=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
cp "$durmo_path" .
exe=./$(basename "$durmo_path")
source "$here/../shell_checks.sh"

durmo() { run $runner "$exe" "$@"; }
hex() { od -An -tx1 -v "$1" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }
is_windows() { [ -n "$runner" ]; }

usage1='DURMO a[x] packfile[.ext] file [/T(aut)|/S(low)/G(ood -def)|/F(ast)|/Q(uick)] [/H(uge)|/L(arge)|/M(edium)|/2(2 megabyte)|/1(1 megabyte -def)|/C(ompact)|/S(mall)|/T(iny)]  '
usage3='Good compression for large and rather redundant files (DOC,LIB,DBF,CDX and so on)'

for args in "" "a" "a p.pk"; do
  durmo $args
  check "usage with '$args' exits 1, line 1" same "$(rc):$(sed -n 1p out.txt | tr -d '\r')" "1:$usage1"
done
check "usage banner" grep -q '^Compress/decompress utility, ' out.txt
check "usage line 3 has no line end" same "$(tail -c ${#usage3} out.txt)" "$usage3"

printf 'abababab' >ab.txt
durmo A p.pk ab.txt
check "upper-case command exits 4, prints and creates nothing" same "$(rc):$(cat out.txt err.txt):$(ls p.pk 2>/dev/null)" "4::"

durmo abc p.pk ab.txt
check "only the first letter of the command counts" same "$(rc):$(cat out.txt)" "0:"
check "abababab packs to its known bytes" same "$(hex p.pk)" "e4 e1 a3 60 1b fe"
expected_report=$(printf 'The file ab.txt is processed:    \b\b\b01%%\b\b\b02%%\b\b\b03%%\b\b\b100%%\nTarget file p.pk is 6.00000 bit,  75.00%%')
check "progress and statistics on standard error" same "$(cat err.txt)" "$expected_report"

durmo x p.pk back.txt
check "restore gives the source back, exits 0 and reports the target, no warning" \
  same "$(rc):$(cmp ab.txt back.txt):$(grep -c Warning err.txt):$(tail -n 1 err.txt)" "0::0:Decompressed data in back.txt"

: >empty.txt
durmo a e.pk empty.txt
check "empty source packs to a0 ff and reports 8 bits" same "$(hex e.pk):$(tail -n 1 err.txt)" "a0 ff:Target file e.pk is 8.00000 bit, 100.00%"
durmo x e.pk e.out
check "empty packed stream restores an empty file with exit 0" test -f e.out -a ! -s e.out -a "$(rc)" = 0

# A source that cannot be read is found out before the packed file is made:
# one already under the name keeps its bytes.
mkdir folder
cp p.pk keep.pk
while IFS='|' read -r source message; do
  durmo a keep.pk "$source"
  check "$source as source exits 2 with its message" same "$(rc):$(cat out.txt):$(cmp keep.pk p.pk)" "2:$message. Exit code 2 :"
  durmo a new.pk "$source"
  check "$source as source creates no packed file" test ! -e new.pk
done <<'CASES'
missing.txt|Unable_file_matching_the_third_arg
folder|Can`t open source file
CASES

# A packed file that cannot be restored is found out before the target is
# made: one already under the name keeps its bytes.
: >zero.pk
mkdir dir.pk
printf 'kept as it was' >keep.txt
kept_target=$(cksum <keep.txt)
while IFS='|' read -r packed what message; do
  durmo x "$packed" keep.txt
  check "$what exits 2 with its message, the target kept" same "$(rc):$(cat out.txt):$(cksum <keep.txt)" \
    "2:$message. Exit code 2 :$kept_target"
  durmo x "$packed" new.out
  check "$what creates no target" test ! -e new.out
done <<'CASES'
nothere.pk|a missing packed file|Unable_file_matching_the_arcfile_name
zero.pk|an empty packed file|The packed file is empty
dir.pk|a folder as packed file|The packed file is a folder
CASES

durmo x p.pk folder
check "unopenable target exits 2 with its message" same "$(rc):$(cat out.txt)" "2:Unable_to_open_an_output_file. Exit code 2 "

# The packed file and the source or target one file, under any name: refused
# before anything is written, and both keep their bytes.
printf 'the source, kept as it is' >S.txt
durmo a P.dur S.txt
ln S.txt S_link.txt
ln P.dur P_link.dur
kept=$(cksum <S.txt; cksum <P.dur)
same_file_cases=("a S.txt S.txt" "a ./S.txt S.txt" "a S_link.txt S.txt"
                 "x P.dur P.dur" "x P.dur ./P.dur" "x P_link.dur P.dur")
if is_windows; then
  same_file_cases+=("a s.TXT S.txt" "x P.dur p.DUR" 'a .\S.txt S.txt')
else
  ln -s S.txt S_symlink.txt
  same_file_cases+=("a S_symlink.txt S.txt")
fi
for args in "${same_file_cases[@]}"; do
  durmo $args
  check "$args exits 2, both files kept" same "$(rc):$(cat out.txt):$(cksum <S.txt; cksum <P.dur)" \
    "2:The packed file and the file are the same file. Exit code 2 :$kept"
done

durmo a no/such/dir/p.pk ab.txt
check "uncreatable packed file exits 1 with its message" same "$(rc):$(cat out.txt)" "1:Can't open to file no/such/dir/p.pk"

# The default extension comes from the program's own name, "/" included.
durmo a noext ab.txt
printf 'not packed' >noext
durmo x noext noext.out
check "a name without a dot gets the default extension, packing and restoring" cmp -s ab.txt noext.out
if ! is_windows; then
  mkdir -p sub && cp "$exe" sub/
  sub/$(basename "$exe") a viapath ab.txt >/dev/null 2>&1
  check "a program started by a path still gets .dur" test -s viapath.dur
fi
mkdir -p d.x
durmo a d.x/plain ab.txt
check "a dot in the folder part keeps the name as it is" test -s d.x/plain -a ! -e d.x/plain.dur

long=$(printf 'n%.0s' $(seq 2100))
durmo a "$long" ab.txt
check "an over-long packed name is refused with exit 1" same "$(rc):$(grep -c "Packed file name is longer than 2047 characters" out.txt)" "1:1"

if truncate -s 2147483648 huge.bin 2>/dev/null; then
  durmo a huge.pk huge.bin
  check "a 2 GiB source is refused with exit 2, creating nothing" \
    same "$(rc):$(grep -c "Source file is 2 GiB or larger" out.txt):$(ls huge.pk 2>/dev/null)" "2:1:"
  rm -f huge.bin
fi

# A cut-off stream restores what it holds, exits 0, and warns.
seq 1 3000 >numbers.txt
durmo a n.pk numbers.txt
head -c $(($(wc -c <n.pk) / 2)) n.pk >cut.pk
durmo x cut.pk cut.out
check "a cut-off file exits 0 and warns" same "$(rc):$(grep -c "Warning: the packed data ended before its end mark" err.txt)" "0:1"
check "a cut-off file restores a prefix, not empty" test -s cut.out -a "$(cmp -s cut.out numbers.txt -n "$(wc -c <cut.out)" && echo same)" = same

# The switches reach the header (which position means what: driver_test).
durmo a t.pk numbers.txt /G /T
check "/T as fifth argument gives e = 12" same "$(( 0x$(hex t.pk | cut -c1-2) & 31 ))" 12

if ! is_windows && [ -w /dev/full ]; then
  ln -s /dev/full full.pk
  durmo a full.pk numbers.txt
  check "a failed packed write is reported" same "$(rc):$(cat out.txt)" '2:Can`t write packed file. Exit code 2 '
  durmo x n.pk full.pk
  check "a failed restored write is reported" same "$(rc):$(cat out.txt)" '2:Can`t write output file. Exit code 2 '
  check "... and the device stays a device behind its link" test -L full.pk -a -c /dev/full
  durmo x n.pk /dev/null
  check "restoring onto the null device writes it, never replaces it" same "$(rc)" 0
  check "... which stays a device" test -c /dev/null
fi

finish cli
