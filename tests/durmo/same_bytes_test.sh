#!/usr/bin/env bash
# The Windows utility under Wine writes exactly the bytes the native one
# writes, and each restores what the other packed.
# Usage: same_bytes_test.sh WINDOWS_DURMO NATIVE_DURMO
set -u
windows=$(realpath "$1")
native=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
passed=0
failed=0

: >empty.bin
printf 'x' >one.bin
seq 1 40000 >numbers.txt
yes 'the page is scaled to the window width' | head -c 300000 >lines.txt
head -c 200000 "$native" >binary.bin
cat numbers.txt binary.bin lines.txt binary.bin >mixed.bin

for source in empty.bin one.bin numbers.txt lines.txt binary.bin mixed.bin; do
  for switches in "" "/T /H" "/Q /C" "/S /T" "/F /S" "/G /2"; do
    "$native" a native.pk "$source" $switches >/dev/null 2>&1
    WINEDEBUG=-all wine "$windows" a windows.pk "$source" $switches >/dev/null 2>&1
    WINEDEBUG=-all wine "$windows" x native.pk from_native.out >/dev/null 2>&1
    "$native" x windows.pk from_windows.out >/dev/null 2>&1
    if cmp -s native.pk windows.pk && cmp -s from_native.out "$source" && cmp -s from_windows.out "$source"; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
      echo "FAILED: $source $switches"
    fi
  done
done

echo "same bytes: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
