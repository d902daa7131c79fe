# Shared by the command-line test scripts: running a program with its output
# captured, and counted checks. Source it, then call `finish NAME` last.
passed=0
failed=0

# run PROGRAM ARGS...: standard output in out.txt, standard error in err.txt
# (Windows text streams end lines with CR LF; the files hold the lines
# themselves), the exit status in rc.txt.
run() {
  "$@" >out.raw 2>err.raw
  echo $? >rc.txt
  tr -d '\r' <err.raw >err.txt
  tr -d '\r' <out.raw >out.txt
}
rc() { cat rc.txt; }
check() {  # check NAME CONDITION...
  local name=$1
  shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $name"; fi
}
same() { [ "$1" = "$2" ] || { printf '  got:      %q\n  expected: %q\n' "$1" "$2"; return 1; }; }
# Pixels of two images agree as ImageMagick reads them.
same_pixels() {
  local differ
  differ=$(compare -metric AE "$1" "$2" null: 2>&1)
  [ "$differ" = 0 ] || { echo "  $differ pixels differ: $1 $2"; return 1; }
}
finish() {
  echo "$1: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
