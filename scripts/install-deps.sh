#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, if missing.
# Usage: install-deps.sh [programs]   (programs: only what building the
# native programs takes, for the example; otherwise everything the tests use)
set -euo pipefail

packages=(cmake g++ make libstb-dev libjpeg62-turbo-dev libpng-dev
          qt6-base-dev libtiff-dev libpoppler-cpp-dev libqpdf-dev
          libtesseract-dev tesseract-ocr-eng)
if [ "${1:-}" != programs ]; then
  packages+=(googletest clang libclang-rt-14-dev
             g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64 xvfb
             imagemagick gzip bzip2 xz-utils zstd time libtiff-tools poppler-utils qpdf
             tesseract-ocr tesseract-ocr-eng xdotool ghostscript python3
             emscripten node-acorn nodejs chromium)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi
if printf '%s\n' "${missing[@]}" | grep -q ':i386$'; then
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
fi
echo "installing: ${missing[*]}"
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
