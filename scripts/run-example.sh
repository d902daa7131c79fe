#!/usr/bin/env bash
# Builds everything and opens the bundled sample document in the native
# reader (or, with KWEN_EXAMPLE_VIEWER=wine, in the Windows viewer under
# Wine). Without a display it says so and renders the first page to a file
# with kwentool instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" >/dev/null

sample=$root/build/sample/sample.kwen
"$root/build/native/kwentool" info "$sample"
if [ -n "${DISPLAY:-}" ] && [ "${KWEN_EXAMPLE_VIEWER:-}" = wine ]; then
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
  page=$root/build/sample/page1.bmp
  "$root/build/native/kwentool" render "$sample" 1 "$page"
  echo "no display to show the viewer on: the first page is rendered to $page"
fi
