#include "render/area_average.h"

#include <algorithm>
#include <utility>

std::vector<AxisSpan> AxisSpans(int64_t pageLength, int64_t scaledLength, int32_t from, int32_t count) {
  std::vector<AxisSpan> spans(static_cast<size_t>(count));
  for (int32_t n = 0; n < count; ++n) {
    const int64_t start = int64_t{from + n} * pageLength;  // in units of 1 / scaledLength of a page pixel
    const int64_t end = start + pageLength;
    const int64_t first = start / scaledLength;
    const int64_t last = (end - 1) / scaledLength;
    AxisSpan& span = spans[static_cast<size_t>(n)];
    span.first = static_cast<int32_t>(first);
    span.count = static_cast<int32_t>(last - first + 1);
    span.firstWeight = static_cast<uint32_t>(std::min(end, (first + 1) * scaledLength) - start);
    span.lastWeight = static_cast<uint32_t>(end - std::max(start, last * scaledLength));
  }
  return spans;
}

AreaAverage::AreaAverage(std::vector<AxisSpan> columns, std::vector<AxisSpan> rows, uint32_t columnFullWeight,
                         uint32_t rowFullWeight, int channels)
    : columns_(std::move(columns)),
      rows_(std::move(rows)),
      columnFull_(columnFullWeight),
      rowFull_(rowFullWeight),
      channels_(channels) {
  // Each output pixel's weights add up to the page's width by its height
  // (in the units of AxisSpans): one span's sum along each axis.
  uint64_t across = 0;
  uint64_t down = 0;
  if (!columns_.empty()) {
    const AxisSpan& span = columns_.front();
    across = span.count == 1 ? span.firstWeight
                             : uint64_t{span.firstWeight} + span.lastWeight + uint64_t{columnFull_} * (span.count - 2);
  }
  if (!rows_.empty()) {
    const AxisSpan& span = rows_.front();
    down = span.count == 1 ? span.firstWeight
                           : uint64_t{span.firstWeight} + span.lastWeight + uint64_t{rowFull_} * (span.count - 2);
  }
  areaWeight_ = static_cast<double>(across) * static_cast<double>(down);
}

int32_t AreaAverage::FirstColumn() const { return columns_.front().first; }

int32_t AreaAverage::ColumnCount() const {
  const AxisSpan& last = columns_.back();
  return last.first + last.count - FirstColumn();
}

void AreaAverage::RowsOf(int32_t firstOut, int32_t endOut, int32_t* firstRow, int32_t* endRow) const {
  *firstRow = rows_[static_cast<size_t>(firstOut)].first;
  const AxisSpan& last = rows_[static_cast<size_t>(endOut - 1)];
  *endRow = last.first + last.count;
}

// Sums one page row across each output column, with the columns' weights.
void AreaAverage::AddRow(const uint8_t* row, std::vector<uint64_t>& sums) const {
  const int32_t origin = FirstColumn();
  const int channels = channels_;
  for (size_t j = 0; j < columns_.size(); ++j) {
    const AxisSpan& span = columns_[j];
    const uint8_t* pixel = row + static_cast<size_t>(span.first - origin) * channels;
    for (int c = 0; c < channels; ++c) {
      const uint8_t* at = pixel + c;
      if (span.count == 1) {
        sums[j * channels + c] = uint64_t{*at} * span.firstWeight;
        continue;
      }
      uint64_t inner = 0;
      for (int32_t i = 1; i < span.count - 1; ++i) inner += at[static_cast<size_t>(i) * channels];
      sums[j * channels + c] = uint64_t{at[0]} * span.firstWeight + inner * columnFull_ +
                               uint64_t{at[static_cast<size_t>(span.count - 1) * channels]} * span.lastWeight;
    }
  }
}
