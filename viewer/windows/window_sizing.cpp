#include "viewer/windows/window_sizing.h"

#include <cmath>

int32_t iFrameDX = 0;
int32_t iFrameDY = 0;
int32_t iMaxClientWidth = 0;
int32_t iMaxClientHeight = 0;

namespace {
constexpr double kStartWidthShare = 0.618;
}

WindowSize StartWindowSize(int32_t maximisedWidth, int32_t maximisedHeight) {
  return {static_cast<int32_t>(maximisedWidth * kStartWidthShare + 0.5), maximisedHeight};
}

WindowSize FitWindowSize(WindowSize window, WindowSize client, int32_t maximisedWidth,
                         int32_t maximisedHeight, int32_t pageWidth, int32_t pageHeight) {
  iFrameDX = window.width - client.width;
  iFrameDY = window.height - client.height;
  iMaxClientWidth = maximisedWidth - iFrameDX;
  iMaxClientHeight = maximisedHeight - iFrameDY;
  return {pageWidth < iMaxClientWidth ? pageWidth + iFrameDX : maximisedWidth,
          pageHeight < iMaxClientHeight ? pageHeight + iFrameDY : maximisedHeight};
}

WindowSize ResizedWindowSize(WindowSize window, int32_t clientWidth, int32_t pageWidth,
                             int32_t pageHeight) {
  if (clientWidth <= 0 || pageWidth <= 0) return window;
  const float scale = static_cast<float>(clientWidth) / pageWidth;
  if (scale < 1) {
    int32_t height = static_cast<int32_t>(std::ceil(pageHeight * scale + iFrameDY));
    return {window.width, height < window.height ? height : window.height};
  }
  const int32_t pages = static_cast<int32_t>(std::floor(scale));
  const int64_t height = int64_t{pages} * pageHeight + iFrameDY;
  return {pages * pageWidth + iFrameDX, height < window.height ? static_cast<int32_t>(height) : window.height};
}
