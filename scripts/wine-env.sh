# Sourced by the scripts that run Windows programs: Wine's settings, and
# which build it runs. The programs ship as 32-bit; where this machine's
# kernel cannot run 32-bit code, Wine's 32-bit loader cannot start, and the
# same sources are built for 64-bit Windows and run under 64-bit Wine.
# Sets wine_bits (32 or 64) and windows_build (the build folder to test).
export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
mkdir -p "$WINEPREFIX"
windows_build=$root/build/windows
wine_bits=32
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  wine_bits=64
  windows_build=$root/build/win64
  # Scripts call `wine` (and winepath calls wine-stable): both start the 64-bit loader.
  wrappers=$root/build/wine64-bin
  mkdir -p "$wrappers"
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' >"$wrappers/$name"
    chmod +x "$wrappers/$name"
  done
  export PATH="$wrappers:$PATH"
fi

# Builds the 64-bit Windows programs and tests when Wine needs them.
build_windows_for_wine() {
  [ "$wine_bits" = 64 ] || return 0
  cmake -S "$root" -B "$windows_build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" \
    -DNATIVE_DURMO="$root/build/native/durmo" -DNATIVE_TOOLS_DIR="$root/build/native" >/dev/null
  cmake --build "$windows_build" -j "$(nproc)"
}

# Wine's server normally quits the moment its last program ends, and a test
# that starts just then loses its connection ("recvmsg: Connection reset by
# peer"). One server kept for the whole run closes that race.
keep_wineserver() {
  wineserver -p </dev/null >/dev/null 2>&1 || true
  trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
}
