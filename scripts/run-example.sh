#!/usr/bin/env bash
# Builds the native programs and opens the bundled sample document in the
# native reader (or, with KWEN_EXAMPLE_VIEWER=wine, builds the Windows
# programs too and opens it in the Windows viewer under Wine). Without a
# display it says so and renders the first page to a file with kwentool.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
what=programs
[ "${KWEN_EXAMPLE_VIEWER:-}" = wine ] && what=all
if [ "$what" = all ]; then
  "$root/scripts/install-deps.sh"
  "$root/scripts/build.sh"
else
  "$root/scripts/install-deps.sh" programs
  "$root/scripts/build.sh" programs
fi

sample=$root/build/sample/sample.kwen
echo "== the sample document"
"$root/build/native/kwentool" info "$sample"
if [ -n "${DISPLAY:-}" ] && [ "$what" = all ]; then
  source "$root/scripts/wine-env.sh"
  build_windows_for_wine >/dev/null
  viewer=$root/build/bundle/kwen-kit/kwenview.exe
  [ "$wine_bits" = 64 ] && viewer=$windows_build/kwenview.exe
  echo "opening $sample in kwenview under Wine (close its window to end)"
  wine "$viewer" "$(winepath -w "$sample")" 2>/dev/null
elif [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "opening $sample in kwenview (close its window to end)"
  "$root/build/native/viewer/desktop/kwenview" "$sample"
else
  page=$root/build/sample/page1.png
  "$root/build/native/kwentool" render "$sample" 1 "$page"
  echo "no display to show the reader on: the first page is rendered to $page"
fi
