// Painting: the view's band of the page bitmap, stretched to the client
// area's width, and white below the page's end.
#include <windows.h>

#include "viewer/windows/main_window.h"
#include "viewer/windows/texts.h"
#include "viewer/windows/view_geometry.h"
#include "viewer/windows/viewer_state.h"

namespace {

void SelectStretchMode(HDC dc, int32_t paintWidth) {
  int mode = ChooseStretchMode(paintWidth, GetStretchBltMode(dc));
  if (mode == 0) return;
  SetStretchBltMode(dc, mode);
  if (mode == kHalftone) SetBrushOrgEx(dc, 0, 0, nullptr);
}

void DrawPlan(HDC dc, const PaintPlan& plan) {
  if (plan.stretch) {
    SelectStretchMode(dc, plan.destination.width);
    const PixelRect& to = plan.destination;
    const PixelRect& from = plan.source;
    int result = StretchDIBits(dc, to.x, to.y, to.width, to.height, from.x, from.y, from.width, from.height,
                               pDibBits, reinterpret_cast<const BITMAPINFO*>(&sBitMapInfoHeader),
                               DIB_RGB_COLORS, SRCCOPY);
    if (result == static_cast<int>(GDI_ERROR)) ShowWarning(text::kPaintFailed);
  }
  if (plan.white) {
    const PixelRect& strip = plan.whiteStrip;
    RECT rect{strip.x, strip.y, strip.x + strip.width, strip.y + strip.height};
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
}

}  // namespace

void PaintClient(HWND hwnd) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  if (bPageReady) {
    const RECT& damaged = paint.rcPaint;
    DrawPlan(dc, PlanPaint(damaged.left, damaged.top, damaged.right, damaged.bottom, GetClientArea()));
  }
  EndPaint(hwnd, &paint);
}
