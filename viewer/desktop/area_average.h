// Scaling a 1-bit page down to grey: each output pixel is the average of
// the page pixels it covers, each counted with the share of it inside.
#pragma once

#include <cstdint>

struct BitRows {
  const uint8_t* bits;  // top row first; leftmost pixel in the most significant bit
  int64_t stride;       // bytes from one row to the next
  int32_t width;
  int32_t height;
  uint8_t zeroGrey;  // the grey of a 0 pixel
  uint8_t oneGrey;   // and of a 1 pixel
};

// Writes `outWidth` x `outHeight` grey bytes (rows `outStride` apart); the
// output is at most as large as the page in each direction.
void AverageBitsToGrey(const BitRows& page, uint8_t* out, int64_t outStride, int32_t outWidth, int32_t outHeight);
