// The view: the band of the page, scaled to the client area's width, that
// the window shows; the moves of that band and the rectangles of painting.
#pragma once

#include <cstdint>

#include "viewer/windows/view_host.h"

extern int32_t iViewTop;  // the page row at the client area's top edge

// Page rows that fill the client area's height; 0 for a client area of
// width 0, whose geometry is skipped.
int32_t ViewRows(ClientArea client);
// The largest view top of the page: the last band.
int32_t LastViewTop(ClientArea client);

void NextView();        // the band below, or the next page's top
void PrevView();        // the band above, or the previous page's last band
void ScrollTextUp();    // one scroll step down the page, or the next page
void ScrollTextDown();  // one scroll step up the page, or the previous page
void PageTop();
void PageEnd();

struct PixelRect {
  int32_t x, y, width, height;
};

// What one paint draws of the damaged rectangle (L, T, R, B): the page band
// stretched into `destination`, and below the page's end, if the band
// reaches past it, a white strip.
struct PaintPlan {
  bool stretch;
  PixelRect destination;
  PixelRect source;  // y is the lower edge, in rows from the bottom row
  bool white;
  PixelRect whiteStrip;
};

PaintPlan PlanPaint(int32_t left, int32_t top, int32_t right, int32_t bottom, ClientArea client);

constexpr int kBlackOnWhite = 1;
constexpr int kColorOnColor = 3;
constexpr int kHalftone = 4;

// The stretch mode to select before painting `paintWidth` pixels of a page,
// or 0 to keep `current`: halftone only when scaling.
int ChooseStretchMode(int32_t paintWidth, int current);
