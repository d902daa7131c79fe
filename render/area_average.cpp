#include "render/area_average.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

constexpr int kBitsPerByte = 8;
constexpr uint64_t kLargestTone = 255;
constexpr int64_t kWordBytes = 8;

uint64_t SetBits(uint8_t byte) { return static_cast<uint64_t>(__builtin_popcount(byte)); }

// Set bits among bits [from, to) of `row`, the first bit the most
// significant of its byte.
uint64_t CountBits(const uint8_t* row, int64_t from, int64_t to) {
  if (to <= from) return 0;
  const int64_t firstByte = from / kBitsPerByte;
  const int64_t lastByte = (to - 1) / kBitsPerByte;
  const uint8_t head = static_cast<uint8_t>(0xFFu >> (from % kBitsPerByte));
  const uint8_t tail = static_cast<uint8_t>(0xFFu << (kBitsPerByte - 1 - (to - 1) % kBitsPerByte));
  if (firstByte == lastByte) return SetBits(row[firstByte] & head & tail);
  uint64_t count = SetBits(row[firstByte] & head) + SetBits(row[lastByte] & tail);
  int64_t at = firstByte + 1;
  for (; at + kWordBytes <= lastByte; at += kWordBytes) {
    uint64_t word;
    std::memcpy(&word, row + at, sizeof word);
    count += static_cast<uint64_t>(__builtin_popcountll(word));
  }
  for (; at < lastByte; ++at) count += SetBits(row[at]);
  return count;
}

bool BitAt(const uint8_t* row, int64_t at) { return (row[at / kBitsPerByte] >> (7 - at % kBitsPerByte)) & 1u; }

// Output columns spanning this many page columns or more are summed from
// their bits a word at a time; narrower ones from the bits spread to bytes.
constexpr int64_t kWideColumn = 32;

// Each byte's eight bits as eight bytes of 0 and 1, the first bit first.
struct SpreadTable {
  uint8_t bytes[256][kBitsPerByte] = {};
  constexpr SpreadTable() {
    for (int byte = 0; byte < 256; ++byte) {
      for (int bit = 0; bit < kBitsPerByte; ++bit) bytes[byte][bit] = static_cast<uint8_t>((byte >> (7 - bit)) & 1);
    }
  }
};
constexpr SpreadTable kSpread;

// The bits [from, from + count) of `row` as bytes of 0 and 1.
void SpreadBits(const uint8_t* row, int64_t from, int64_t count, uint8_t* out) {
  const SpreadTable& table = kSpread;
  int64_t i = 0;
  for (; i < count && (from + i) % kBitsPerByte != 0; ++i) out[i] = BitAt(row, from + i);
  const uint8_t* bytes = row + (from + i) / kBitsPerByte;
  for (; i + kBitsPerByte <= count; i += kBitsPerByte) std::memcpy(out + i, table.bytes[*bytes++], kBitsPerByte);
  for (; i < count; ++i) out[i] = BitAt(row, from + i);
}

// -1 unless the bits [from, from + count) of `row` are all 0 or all 1;
// then that value. Pages are mostly margin and space between lines.
int UniformBits(const uint8_t* row, int64_t from, int64_t count) {
  const int first = BitAt(row, from);
  int64_t i = 1;
  for (; i < count && (from + i) % kBitsPerByte != 0; ++i) {
    if (BitAt(row, from + i) != first) return -1;
  }
  const uint8_t fill = first != 0 ? 0xFF : 0x00;
  const uint8_t* bytes = row + (from + i) / kBitsPerByte;
  const int64_t whole = (count - i) / kBitsPerByte;
  if (whole > 0 && (bytes[0] != fill || std::memcmp(bytes, bytes + 1, static_cast<size_t>(whole - 1)) != 0)) return -1;
  for (i += whole * kBitsPerByte; i < count; ++i) {
    if (BitAt(row, from + i) != first) return -1;
  }
  return first;
}

}  // namespace

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
  // A column's sum down an output row is at most 255 times the rows' weight.
  narrowSums_ = kLargestTone * down <= UINT32_MAX;
  wideColumns_ = !columns_.empty() && ColumnCount() >= kWideColumn * static_cast<int64_t>(columns_.size());
}

uint32_t AreaAverage::RowWeight(const AxisSpan& span, int32_t i) const {
  return i == 0 ? span.firstWeight : i == span.count - 1 ? span.lastWeight : rowFull_;
}

void AreaAverage::Average(int32_t firstOut, int32_t endOut, const std::function<const uint8_t*(int32_t)>& rowAt,
                          uint8_t* out, int64_t outStride) const {
  if (bits_ && wideColumns_) {
    AverageAcross(firstOut, endOut, rowAt, out, outStride);
  } else if (narrowSums_) {
    AverageDown<uint32_t>(firstOut, endOut, rowAt, out, outStride);
  } else {
    AverageDown<uint64_t>(firstOut, endOut, rowAt, out, outStride);
  }
}

// Each page column summed down the output row first, then the columns
// across: a few additions a page pixel, which the compiler does several at
// a time.
template <typename Sum>
void AreaAverage::AverageDown(int32_t firstOut, int32_t endOut, const std::function<const uint8_t*(int32_t)>& rowAt,
                              uint8_t* out, int64_t outStride) const {
  const int64_t pageColumns = ColumnCount();
  // Bits are summed once a column; bytes once a channel.
  const int perColumn = bits_ ? 1 : channels_;
  const size_t width = static_cast<size_t>(pageColumns) * perColumn;
  std::vector<Sum> down(width);
  std::vector<uint8_t> spread(bits_ ? static_cast<size_t>(pageColumns) : 0);
  const int64_t bitsFrom = FirstColumn() - int64_t{bitsLeft_};
  for (int32_t k = firstOut; k < endOut; ++k) {
    const AxisSpan& span = rows_[static_cast<size_t>(k)];
    std::fill(down.begin(), down.end(), 0);
    for (int32_t i = 0; i < span.count; ++i) {
      const Sum weight = RowWeight(span, i);
      const uint8_t* row = rowAt(span.first + i);
      if (bits_) {
        const int uniform = UniformBits(row, bitsFrom, pageColumns);
        if (uniform == 0) continue;
        if (uniform == 1) {
          for (size_t x = 0; x < width; ++x) down[x] += weight;
          continue;
        }
        SpreadBits(row, bitsFrom, pageColumns, spread.data());
        row = spread.data();
      }
      for (size_t x = 0; x < width; ++x) down[x] += static_cast<Sum>(row[x] * weight);
    }
    uint8_t* to = out + outStride * (k - firstOut);
    const int32_t origin = FirstColumn();
    const double perArea = 1.0 / areaWeight_;
    for (size_t j = 0; j < columns_.size(); ++j) {
      const AxisSpan& column = columns_[j];
      for (int c = 0; c < perColumn; ++c) {
        const Sum* sums = down.data() + static_cast<size_t>(column.first - origin) * perColumn + c;
        const size_t step = static_cast<size_t>(perColumn);
        double sum = static_cast<double>(sums[0]) * column.firstWeight;
        if (column.count > 1) {
          uint64_t inner = 0;
          for (int32_t i = 1; i < column.count - 1; ++i) inner += sums[i * step];
          sum += static_cast<double>(inner) * columnFull_ +
                 static_cast<double>(sums[(column.count - 1) * step]) * column.lastWeight;
        }
        if (!bits_) {
          to[j * channels_ + c] = static_cast<uint8_t>(sum * perArea + 0.5);
          continue;
        }
        // `sum` weighs the set bits: the rest of the area is the zero tone.
        const double setShare = sum * perArea;
        for (int t = 0; t < channels_; ++t) {
          const double tone = static_cast<double>(zero_[t]) + static_cast<double>(one_[t] - zero_[t]) * setShare;
          to[j * channels_ + t] = static_cast<uint8_t>(tone + 0.5);
        }
      }
    }
  }
}

// Each page row summed across the output columns first, from its bits a
// word at a time, then the rows down: for scales at which an output pixel
// covers many page pixels.
void AreaAverage::AverageAcross(int32_t firstOut, int32_t endOut,
                                const std::function<const uint8_t*(int32_t)>& rowAt, uint8_t* out,
                                int64_t outStride) const {
  const size_t width = columns_.size() * static_cast<size_t>(channels_);
  std::vector<uint64_t> sums(width);
  std::vector<double> total(width);
  // The sums of rows of one tone, which are most rows.
  std::vector<uint64_t> uniformSums[2];
  const int64_t bitsFrom = FirstColumn() - int64_t{bitsLeft_};
  const int64_t pageColumns = ColumnCount();
  for (int32_t k = firstOut; k < endOut; ++k) {
    const AxisSpan& span = rows_[static_cast<size_t>(k)];
    std::fill(total.begin(), total.end(), 0.0);
    for (int32_t i = 0; i < span.count; ++i) {
      const uint32_t weight = RowWeight(span, i);
      const uint8_t* row = rowAt(span.first + i);
      const int uniform = UniformBits(row, bitsFrom, pageColumns);
      if (uniform >= 0 && uniformSums[uniform].empty()) AddBitRow(row, uniformSums[uniform]);
      if (uniform < 0) AddBitRow(row, sums);
      const std::vector<uint64_t>& rowSums = uniform >= 0 ? uniformSums[uniform] : sums;
      for (size_t j = 0; j < width; ++j) total[j] += static_cast<double>(rowSums[j]) * weight;
    }
    uint8_t* to = out + outStride * (k - firstOut);
    for (size_t j = 0; j < width; ++j) to[j] = static_cast<uint8_t>(total[j] / areaWeight_ + 0.5);
  }
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

void AreaAverage::UseBits(int32_t bitsLeft, const uint8_t* zero, const uint8_t* one) {
  bits_ = true;
  bitsLeft_ = bitsLeft;
  for (int c = 0; c < channels_; ++c) {
    zero_[c] = zero[c];
    one_[c] = one[c];
  }
}

// As AddRow, from bits: each column's sum is its weight in the zero tone
// plus the weight of its set bits times the step to the one tone.
void AreaAverage::AddBitRow(const uint8_t* row, std::vector<uint64_t>& sums) const {
  const int channels = channels_;
  sums.resize(columns_.size() * static_cast<size_t>(channels));
  for (size_t j = 0; j < columns_.size(); ++j) {
    const AxisSpan& span = columns_[j];
    const int64_t first = span.first - bitsLeft_;
    int64_t weight = span.firstWeight;
    int64_t setWeight = BitAt(row, first) ? span.firstWeight : 0;
    if (span.count > 1) {
      const int64_t last = first + span.count - 1;
      weight += span.lastWeight + int64_t{columnFull_} * (span.count - 2);
      setWeight += (BitAt(row, last) ? span.lastWeight : 0) +
                   int64_t{columnFull_} * static_cast<int64_t>(CountBits(row, first + 1, last));
    }
    for (int c = 0; c < channels; ++c) {
      sums[j * channels + c] = static_cast<uint64_t>(zero_[c] * weight + (one_[c] - zero_[c]) * setWeight);
    }
  }
}
