#!/usr/bin/env bash
# Viewer benchmark under Wine: the time from starting kwenview.exe on a packed
# document of 300 pages to its first page painted, and the time of a page
# change, over several runs. Writes bench/viewer-results.md.
# Not a test: it measures, it does not judge.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
results=${1:-$root/bench/viewer-results.md}
runs=${RUNS:-5}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" >/dev/null

work=$(mktemp -d)
xvfb_pid=
trap '[ -n "$xvfb_pid" ] && kill "$xvfb_pid"; rm -rf "$work"' EXIT
if [ -z "${DISPLAY:-}" ]; then
  Xvfb :97 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=:97
  sleep 1
fi
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix} WINEDEBUG=-all
cp "$root/build/bundle/kwen-kit/"*.exe "$root/build/bundle/viewer_driver.exe" "$work/"
"$root/build/native/tests/make_documents" "$work"
win() { winepath -w "$1" 2>/dev/null; }
{
  echo "start $(win "$work/long.kwen")"
  for _ in 1 2 3 4 5 6 7 8 9 10; do echo "time-key right"; done
  echo "close"
  echo "exit 0"
} >"$work/steps.txt"

starts=()
changes=()
for _ in $(seq "$runs"); do
  sed -i '1s/^start /time-start /' "$work/steps.txt"
  wine "$work/viewer_driver.exe" "$(win "$work/kwenview.exe")" "$work/steps.txt" 2>/dev/null | tr -d '\r' >"$work/out.txt"
  starts+=("$(sed -n 's/^first page painted after \(.*\) ms$/\1/p' "$work/out.txt")")
  changes+=($(sed -n 's/^page change took \(.*\) ms$/\1/p' "$work/out.txt"))
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
packed=$(wc -c <"$work/long.kwen")
{
  echo "# Viewer under Wine"
  echo
  echo "Document: 300 pages of 850 x 1100, 1 bit, text with a figure of noise on each page;"
  echo "$packed bytes packed. $runs runs of start-up, $((runs * 10)) page changes (Right)."
  echo
  echo "| measure | median ms | fastest ms | slowest ms |"
  echo "|---|---|---|---|"
  sorted_starts=$(printf '%s\n' "${starts[@]}" | sort -n)
  sorted_changes=$(printf '%s\n' "${changes[@]}" | sort -n)
  echo "| start to first page painted | $(median "${starts[@]}") | $(head -n1 <<<"$sorted_starts") | $(tail -n1 <<<"$sorted_starts") |"
  echo "| page change | $(median "${changes[@]}") | $(head -n1 <<<"$sorted_changes") | $(tail -n1 <<<"$sorted_changes") |"
} | tee "$results"
