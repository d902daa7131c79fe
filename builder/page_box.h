// A rectangle of page pixels, rows counted from the top, edges inclusive.
#pragma once

#include <cstdint>

struct Box {
  int32_t left, top, right, bottom;
  int32_t Width() const { return right - left + 1; }
  int32_t Height() const { return bottom - top + 1; }
  int64_t Area() const { return int64_t{Width()} * Height(); }
};
