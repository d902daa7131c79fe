#include "viewer/windows/view_geometry.h"

#include <algorithm>

#include "viewer/windows/navigation.h"
#include "viewer/windows/viewer_state.h"

int32_t iViewTop = 0;

namespace {

int32_t PageWidth() { return sBitMapInfoHeader.BMIH.biWidth; }
int32_t PageHeight() { return sBitMapInfoHeader.BMIH.biHeight; }

bool GeometryUsable(ClientArea client) { return client.width > 0 && PageWidth() > 0; }

// Rounding of the viewer's geometry: add 0.5, truncate toward zero.
int32_t Round(double value) { return static_cast<int32_t>(value + 0.5); }

// Client pixels of a move of `rows` page rows, truncated toward zero.
int32_t ClientPixels(int32_t rows, ClientArea client) {
  return static_cast<int32_t>(int64_t{rows} * client.width / PageWidth());
}

// The view top after moving down by `rows`, held within the page.
int32_t ClampedDown(int32_t rows, int32_t viewRows) {
  int32_t top = iViewTop + rows;
  if (top + viewRows >= PageHeight()) top = PageHeight() - viewRows;
  return std::max(top, 0);
}

void AdvanceToNextPage() {
  if (iCurPage < iPageCount - 1) ++iCurPage;
  PushHistory(iCurPage);
  ShowPage();
}

// The previous page at its last band.
void BackToPreviousPageEnd() {
  --iCurPage;
  PushHistory(iCurPage);
  ShowPage();
  iViewTop = LastViewTop(GetClientArea());
  RepaintClient();
}

}  // namespace

int32_t ViewRows(ClientArea client) {
  if (!GeometryUsable(client)) return 0;
  return Round(static_cast<double>(int64_t{client.height} * PageWidth()) / client.width);
}

int32_t LastViewTop(ClientArea client) { return std::max(0, PageHeight() - ViewRows(client)); }

void NextView() {
  ClientArea client = GetClientArea();
  if (!GeometryUsable(client)) return;
  int32_t viewRows = ViewRows(client);
  int32_t top = ClampedDown(viewRows, viewRows);
  if (top != iViewTop) {
    iViewTop = top;
    RepaintClient();
  } else if (!bBmpDoc && iCurPage < iPageCount - 1) {
    AdvanceToNextPage();
  }
}

void PrevView() {
  ClientArea client = GetClientArea();
  if (!GeometryUsable(client)) return;
  int32_t top = std::max(iViewTop - ViewRows(client), 0);
  if (top != iViewTop) {
    iViewTop = top;
    RepaintClient();
  } else if (iCurPage != 0) {
    BackToPreviousPageEnd();
  }
}

void ScrollTextUp() {
  ClientArea client = GetClientArea();
  if (!GeometryUsable(client)) return;
  int32_t top = ClampedDown(iScrollStep, ViewRows(client));
  if (top != iViewTop) {
    int32_t rows = iViewTop - top;
    iViewTop = top;
    ScrollClient(ClientPixels(rows, client));
  } else if (!bBmpDoc) {
    AdvanceToNextPage();
  }
}

void ScrollTextDown() {
  ClientArea client = GetClientArea();
  if (!GeometryUsable(client)) return;
  int32_t top = std::max(iViewTop - iScrollStep, 0);
  if (top != iViewTop) {
    int32_t rows = iViewTop - top;
    iViewTop = top;
    ScrollClient(ClientPixels(rows, client));
  } else if (iCurPage != 0) {
    BackToPreviousPageEnd();
  }
}

void PageTop() {
  iViewTop = 0;
  RepaintClient();
}

void PageEnd() {
  ClientArea client = GetClientArea();
  if (!GeometryUsable(client)) return;
  iViewTop = LastViewTop(client);
  RepaintClient();
}

PaintPlan PlanPaint(int32_t left, int32_t top, int32_t right, int32_t bottom, ClientArea client) {
  PaintPlan plan{};
  if (!GeometryUsable(client) || right <= left || bottom <= top) return plan;
  const double scale = static_cast<double>(PageWidth()) / client.width;
  // Where the page ends in the client area; below it, white.
  const double pageEnd = (PageHeight() - iViewTop) / scale;
  int32_t stretchBottom = bottom;
  if (bottom * scale > PageHeight() - iViewTop) {
    stretchBottom = std::max(top, std::min(bottom, static_cast<int32_t>(pageEnd)));
    plan.white = true;
    plan.whiteStrip = {left, stretchBottom, right - left, bottom - stretchBottom};
  }
  if (stretchBottom > top) {
    plan.stretch = true;
    plan.destination = {left, top, right - left, stretchBottom - top};
    plan.source = {Round(left * scale), Round(PageHeight() - iViewTop - stretchBottom * scale),
                   Round((right - left) * scale), Round((stretchBottom - top) * scale)};
  }
  return plan;
}

int ChooseStretchMode(int32_t paintWidth, int current) {
  if (paintWidth != PageWidth()) return current == kHalftone ? 0 : kHalftone;
  if (current != kHalftone) return 0;
  return nColors == 2 ? kBlackOnWhite : kColorOnColor;
}
