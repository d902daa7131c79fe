// The main window's size: at start, fitted to a page, the width presets, and
// the resize rule that snaps the client area to whole page widths.
#pragma once

#include <cstdint>

extern int32_t iFrameDX;          // window width minus client width
extern int32_t iFrameDY;          // window height minus client height
extern int32_t iMaxClientWidth;   // maximised window width minus iFrameDX
extern int32_t iMaxClientHeight;  // maximised window height minus iFrameDY

struct WindowSize {
  int32_t width;
  int32_t height;
};

constexpr int32_t kNarrowPreset = 480;  // key 1: client width
constexpr int32_t kWidePreset = 640;    // key 2

// The window at start: the golden section of the maximised width, full height.
WindowSize StartWindowSize(int32_t maximisedWidth, int32_t maximisedHeight);

// Measures the frame from the window and client sizes and returns the window
// size that shows a Wp x Hp page at 1:1, or the maximised size in each
// dimension where the page does not fit.
WindowSize FitWindowSize(WindowSize window, WindowSize client, int32_t maximisedWidth,
                         int32_t maximisedHeight, int32_t pageWidth, int32_t pageHeight);

// The window size the resize rule makes of a window of size `window` whose
// client area became `clientWidth` wide: narrower than the page keeps its
// width; wider snaps to whole page widths. Heights never grow. A client
// width of 0 (a minimised window) keeps the size.
WindowSize ResizedWindowSize(WindowSize window, int32_t clientWidth, int32_t pageWidth,
                             int32_t pageHeight);
