// Scaling a page down by area averaging: each pixel of the smaller picture
// is the average of the page area it covers, each page pixel counted with
// the share of it inside. The page arrives in bands of rows, so that it is
// never whole in memory; a band may come from any thread, each averaging
// its own output rows.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// Which page pixels one output pixel covers along one axis: `count` of them
// from `first`, the first and last counted with their own weights, those
// between with the full weight.
struct AxisSpan {
  int32_t first;
  int32_t count;
  uint32_t firstWeight;
  uint32_t lastWeight;
};

// A page of `pageLength` pixels scaled to `scaledLength` (at most as many):
// the spans of output pixels `from` to `from + count`. Output pixel j covers
// [j x pageLength, (j + 1) x pageLength) and page pixel i covers
// [i x scaledLength, (i + 1) x scaledLength): a whole page pixel weighs
// scaledLength, and an output pixel's weights add up to pageLength.
std::vector<AxisSpan> AxisSpans(int64_t pageLength, int64_t scaledLength, int32_t from, int32_t count);

class AreaAverage {
 public:
  // Output columns and rows given by their spans (AxisSpans over the page's
  // width and height), `channels` bytes a pixel.
  AreaAverage(std::vector<AxisSpan> columns, std::vector<AxisSpan> rows, uint32_t columnFullWeight,
              uint32_t rowFullWeight, int channels);

  // Page columns the output covers: from FirstColumn(), ColumnCount() of them.
  int32_t FirstColumn() const;
  int32_t ColumnCount() const;
  // Page rows (from the top) that output rows [first, end) cover.
  void RowsOf(int32_t firstOut, int32_t endOut, int32_t* firstRow, int32_t* endRow) const;

  // Rows come as 1-bit pixels (the most significant bit first, bit 0 at
  // page column `bitsLeft`) of two tones, `zero` and `one` (channel bytes
  // each): their set bits are counted a word at a time rather than each
  // pixel looked up.
  void UseBits(int32_t bitsLeft, const uint8_t* zero, const uint8_t* one);

  // Averages into output rows [firstOut, endOut), written at `out` (row r
  // at out + r x outStride), the page rows those output rows cover (see
  // RowsOf): `rowAt(y)` gives page row y's pixels from FirstColumn() as
  // channel bytes, or its bits (see UseBits).
  void Average(int32_t firstOut, int32_t endOut, const std::function<const uint8_t*(int32_t)>& rowAt, uint8_t* out,
               int64_t outStride) const;

 private:
  uint32_t RowWeight(const AxisSpan& span, int32_t i) const;
  template <typename Sum>
  void AverageDown(int32_t firstOut, int32_t endOut, const std::function<const uint8_t*(int32_t)>& rowAt,
                   uint8_t* out, int64_t outStride) const;
  void AverageAcross(int32_t firstOut, int32_t endOut, const std::function<const uint8_t*(int32_t)>& rowAt,
                     uint8_t* out, int64_t outStride) const;
  void AddBitRow(const uint8_t* row, std::vector<uint64_t>& sums) const;
  std::vector<AxisSpan> columns_;
  std::vector<AxisSpan> rows_;
  uint32_t columnFull_;
  uint32_t rowFull_;
  int channels_;
  double areaWeight_;  // what an output pixel's weights add up to
  bool bits_ = false;
  bool wideColumns_;  // output columns span many page columns
  bool narrowSums_;   // sums down an output row fit 32 bits
  int32_t bitsLeft_ = 0;
  int64_t zero_[3] = {0, 0, 0};
  int64_t one_[3] = {0, 0, 0};
};
