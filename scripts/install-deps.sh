#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, if missing.
# Usage: install-deps.sh [programs|web]   (programs: only what building the
# native programs takes, for the example; web: what building the web reader
# takes; otherwise everything the tests use)
set -euo pipefail

packages=(cmake g++ make libstb-dev libjpeg62-turbo-dev libpng-dev
          qt6-base-dev libtiff-dev libpoppler-cpp-dev libqpdf-dev
          libtesseract-dev tesseract-ocr-eng)
if [ "${1:-}" = web ]; then
  packages=(cmake make emscripten node-acorn nodejs)
elif [ "${1:-}" != programs ]; then
  packages+=(googletest clang libclang-rt-14-dev
             g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64 xvfb
             imagemagick gzip bzip2 xz-utils zstd time libtiff-tools poppler-utils qpdf
             tesseract-ocr tesseract-ocr-eng xdotool ghostscript python3
             emscripten node-acorn nodejs chromium)
fi

# The browser tests drive chromium with npm's puppeteer-core (pinned in
# tests/web, downloading no browser); npm comes with some builds of nodejs.
if [ -z "${1:-}" ] && ! command -v npm >/dev/null; then
  packages+=(npm)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
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
fi

web_tests=$(cd "$(dirname "$0")/../tests/web" && pwd)
if [ -z "${1:-}" ] && [ ! "$web_tests/node_modules/.package-lock.json" -nt "$web_tests/package-lock.json" ]; then
  echo "installing the browser tests' node modules"
  (cd "$web_tests" && npm ci --no-audit --no-fund --loglevel=error)
fi
