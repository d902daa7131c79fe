// Scaling a page down by area averaging: each pixel of the smaller picture
// is the average of the page area it covers, each page pixel counted with
// the share of it inside. The page arrives in bands of rows, so that it is
// never whole in memory; a band may come from any thread, each averaging
// its own output rows.
#pragma once

#include <algorithm>
#include <cstdint>
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

  // Averages page rows [firstRow, firstRow + rowCount) into output rows
  // [firstOut, endOut), written at `out` (row r at out + r x outStride),
  // when those rows are all the page rows the output rows cover. `rowAt(y)`
  // gives page row y's pixels from FirstColumn() as channel bytes.
  template <typename RowAt>
  void Average(int32_t firstOut, int32_t endOut, RowAt rowAt, uint8_t* out, int64_t outStride) const;

 private:
  void AddRow(const uint8_t* row, std::vector<uint64_t>& sums) const;
  std::vector<AxisSpan> columns_;
  std::vector<AxisSpan> rows_;
  uint32_t columnFull_;
  uint32_t rowFull_;
  int channels_;
  double areaWeight_;  // what an output pixel's weights add up to
};

template <typename RowAt>
void AreaAverage::Average(int32_t firstOut, int32_t endOut, RowAt rowAt, uint8_t* out, int64_t outStride) const {
  const size_t width = columns_.size() * static_cast<size_t>(channels_);
  std::vector<uint64_t> sums(width);
  std::vector<double> total(width);
  for (int32_t k = firstOut; k < endOut; ++k) {
    const AxisSpan& span = rows_[static_cast<size_t>(k)];
    std::fill(total.begin(), total.end(), 0.0);
    for (int32_t i = 0; i < span.count; ++i) {
      const uint32_t weight = i == 0 ? span.firstWeight : i == span.count - 1 ? span.lastWeight : rowFull_;
      AddRow(rowAt(span.first + i), sums);
      for (size_t j = 0; j < width; ++j) total[j] += static_cast<double>(sums[j]) * weight;
    }
    uint8_t* to = out + outStride * (k - firstOut);
    for (size_t j = 0; j < width; ++j) to[j] = static_cast<uint8_t>(total[j] / areaWeight_ + 0.5);
  }
}
