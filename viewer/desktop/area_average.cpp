#include "viewer/desktop/area_average.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr uint32_t kWeightOne = 256;  // a whole page pixel's width or height

// For each page pixel along one direction: the output pixel it starts in and
// how much of it (in 1/256) lies there; the rest lies in the next one.
struct Spread {
  std::vector<int32_t> first;
  std::vector<uint32_t> share;
  std::vector<uint32_t> total;  // the weight each output pixel receives
};

Spread SpreadOf(int32_t from, int32_t to) {
  Spread spread;
  spread.first.resize(static_cast<size_t>(from));
  spread.share.resize(static_cast<size_t>(from));
  spread.total.assign(static_cast<size_t>(to) + 1, 0);
  const double step = static_cast<double>(to) / from;  // output pixels per page pixel, at most 1
  for (int32_t k = 0; k < from; ++k) {
    const double start = k * step;
    const double end = (k + 1) * step;
    const int32_t first = std::min(static_cast<int32_t>(start), to - 1);
    const double boundary = first + 1.0;
    const double inFirst = end <= boundary ? 1.0 : (boundary - start) / step;
    const uint32_t share = static_cast<uint32_t>(inFirst * kWeightOne + 0.5);
    spread.first[static_cast<size_t>(k)] = first;
    spread.share[static_cast<size_t>(k)] = share;
    spread.total[static_cast<size_t>(first)] += share;
    spread.total[static_cast<size_t>(first) + 1] += kWeightOne - share;
  }
  return spread;
}

}  // namespace

void AverageBitsToGrey(const BitRows& page, uint8_t* out, int64_t outStride, int32_t outWidth, int32_t outHeight) {
  const Spread across = SpreadOf(page.width, outWidth);
  const Spread down = SpreadOf(page.height, outHeight);
  // Ones per output column of the current page row, then of output rows.
  std::vector<uint32_t> rowOnes(static_cast<size_t>(outWidth) + 1);
  std::vector<uint64_t> current(static_cast<size_t>(outWidth) + 1, 0);
  std::vector<uint64_t> next(static_cast<size_t>(outWidth) + 1, 0);
  int32_t outRow = 0;
  const auto emitRow = [&](int32_t row) {
    uint8_t* line = out + outStride * row;
    const uint64_t rowWeight = down.total[static_cast<size_t>(row)];
    const int32_t range = static_cast<int32_t>(page.oneGrey) - page.zeroGrey;
    for (int32_t x = 0; x < outWidth; ++x) {
      const uint64_t area = rowWeight * across.total[static_cast<size_t>(x)];
      const double ones = area == 0 ? 0.0 : static_cast<double>(current[static_cast<size_t>(x)]) / area;
      line[x] = static_cast<uint8_t>(std::lround(page.zeroGrey + range * ones));
    }
  };
  for (int32_t y = 0; y < page.height; ++y) {
    std::fill(rowOnes.begin(), rowOnes.end(), 0);
    const uint8_t* bits = page.bits + page.stride * y;
    for (int32_t x = 0; x < page.width; ++x) {
      if ((bits[x >> 3] & (0x80 >> (x & 7))) == 0) continue;
      const size_t first = static_cast<size_t>(across.first[static_cast<size_t>(x)]);
      const uint32_t share = across.share[static_cast<size_t>(x)];
      rowOnes[first] += share;
      rowOnes[first + 1] += kWeightOne - share;
    }
    const int32_t target = down.first[static_cast<size_t>(y)];
    while (outRow < target) {
      emitRow(outRow++);
      current.swap(next);
      std::fill(next.begin(), next.end(), 0);
    }
    const uint32_t share = down.share[static_cast<size_t>(y)];
    for (int32_t x = 0; x <= outWidth; ++x) {
      current[static_cast<size_t>(x)] += uint64_t{rowOnes[static_cast<size_t>(x)]} * share;
      next[static_cast<size_t>(x)] += uint64_t{rowOnes[static_cast<size_t>(x)]} * (kWeightOne - share);
    }
  }
  while (outRow < outHeight) {
    emitRow(outRow++);
    current.swap(next);
    std::fill(next.begin(), next.end(), 0);
  }
}
