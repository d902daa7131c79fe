#include "render/flate_rows.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr size_t kOutputStep = size_t{1} << 16;
constexpr uint8_t kFilterCount = 5;  // none, sub, up, average, Paeth

uint8_t Paeth(uint8_t left, uint8_t up, uint8_t upLeft) {
  const int guess = int{left} + up - upLeft;
  const int toLeft = std::abs(guess - left);
  const int toUp = std::abs(guess - up);
  const int toUpLeft = std::abs(guess - upLeft);
  if (toLeft <= toUp && toLeft <= toUpLeft) return left;
  return toUp <= toUpLeft ? up : upLeft;
}

// Row `row` under filter `filter`, into `out`, with `above` the row before.
void Filter(uint8_t filter, const uint8_t* row, const uint8_t* above, size_t size, size_t pixelBytes, uint8_t* out) {
  for (size_t i = 0; i < size; ++i) {
    const uint8_t left = i >= pixelBytes ? row[i - pixelBytes] : 0;
    const uint8_t upLeft = i >= pixelBytes ? above[i - pixelBytes] : 0;
    uint8_t prediction = 0;
    switch (filter) {
      case 1: prediction = left; break;
      case 2: prediction = above[i]; break;
      case 3: prediction = static_cast<uint8_t>((left + above[i]) / 2); break;
      case 4: prediction = Paeth(left, above[i], upLeft); break;
      default: break;
    }
    out[i] = static_cast<uint8_t>(row[i] - prediction);
  }
}

// How far the filtered bytes lie from zero, taken as signed: the smaller,
// the better they pack.
uint64_t Spread(const uint8_t* bytes, size_t size) {
  uint64_t sum = 0;
  for (size_t i = 0; i < size; ++i) sum += static_cast<uint64_t>(std::abs(static_cast<int8_t>(bytes[i])));
  return sum;
}

}  // namespace

struct FlateRows::Stream {
  z_stream zlib{};
  bool open = false;
};

FlateRows::FlateRows(size_t rowBytes, size_t pixelBytes, bool predict)
    : rowBytes_(rowBytes),
      pixelBytes_(pixelBytes),
      predict_(predict),
      stream_(std::make_unique<Stream>()),
      chunk_(kOutputStep) {
  if (deflateInit(&stream_->zlib, Z_DEFAULT_COMPRESSION) != Z_OK) {
    error_ = "the page cannot be compressed (no memory for it)";
    return;
  }
  stream_->open = true;
  if (predict_) {
    above_.assign(rowBytes_, 0);
    filtered_.resize(rowBytes_ + 1);
    trial_.resize(rowBytes_);
  }
}

FlateRows::~FlateRows() {
  if (stream_->open) deflateEnd(&stream_->zlib);
}

bool FlateRows::Deflate(const uint8_t* bytes, size_t size, int flush) {
  if (!error_.empty()) return false;
  z_stream& zlib = stream_->zlib;
  zlib.next_in = const_cast<Bytef*>(bytes);
  zlib.avail_in = static_cast<uInt>(size);
  int status = Z_OK;
  do {
    zlib.next_out = chunk_.data();
    zlib.avail_out = static_cast<uInt>(chunk_.size());
    status = deflate(&zlib, flush);
    if (status == Z_STREAM_ERROR) {
      error_ = "the page cannot be compressed";
      return false;
    }
    coded_.insert(coded_.end(), chunk_.data(), chunk_.data() + (chunk_.size() - zlib.avail_out));
  } while (zlib.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
  return true;
}

void FlateRows::Predict(const uint8_t* row) {
  uint64_t best = UINT64_MAX;
  for (uint8_t filter = 0; filter < kFilterCount; ++filter) {
    Filter(filter, row, above_.data(), rowBytes_, pixelBytes_, trial_.data());
    const uint64_t spread = Spread(trial_.data(), rowBytes_);
    if (spread < best) {
      best = spread;
      filtered_[0] = filter;
      std::copy(trial_.begin(), trial_.end(), filtered_.begin() + 1);
    }
  }
  std::copy(row, row + rowBytes_, above_.begin());
}

bool FlateRows::Add(const uint8_t* row) {
  if (!predict_) return Deflate(row, rowBytes_, Z_NO_FLUSH);
  Predict(row);
  return Deflate(filtered_.data(), filtered_.size(), Z_NO_FLUSH);
}

bool FlateRows::Finish(std::vector<uint8_t>& coded) {
  if (!Deflate(nullptr, 0, Z_FINISH)) return false;
  coded.swap(coded_);
  return true;
}
