#include "document/compact_decoder.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "document/document_layout.h"
#include "document/document_state.h"
#include "document/host.h"
#include "document/page_state.h"

float aCosMagnitude[kBasisMagnitudes];
int32_t aCosProd[kBasisMagnitudes][kBasisMagnitudes];
uint8_t aCosSign[kBlockSide][kBlockSide];
int32_t aQuant[kCompactChannels][kBlockSide][kBlockSide];

// M(n, k): 5 (the end magnitude) for k = 0 or 8, else min(nk mod 8, 8 - nk mod 8).
const uint8_t aCosIndex[kBlockSide][kBlockSide] = {
    {5, 0, 0, 0, 0, 0, 0, 0, 5}, {5, 1, 2, 3, 4, 3, 2, 1, 5}, {5, 2, 4, 2, 0, 2, 4, 2, 5},
    {5, 3, 2, 1, 4, 1, 2, 3, 5}, {5, 4, 0, 4, 0, 4, 0, 4, 5}, {5, 3, 2, 1, 4, 1, 2, 3, 5},
    {5, 2, 4, 2, 0, 2, 4, 2, 5}, {5, 1, 2, 3, 4, 3, 2, 1, 5}, {5, 0, 0, 0, 0, 0, 0, 0, 5},
};

namespace {

constexpr const char* kReadFailed = "Error of ReadBufSgnCompact";
constexpr uint32_t kCoefBufferSize = 1024;
constexpr int kFixedPointBits = 12;
constexpr double kPi = 3.14159265358979323846;
constexpr int kLargestStep = 254;
constexpr int kCoarsestStep = 255;
constexpr float kGrowthLimit = 255.0f;

// The read-ahead buffer of coefficient bytes; a read index at the size means empty.
uint8_t aCoefBuf[kCoefBufferSize];
uint32_t iCoefFill = 0;
uint32_t iCoefIndex = kCoefBufferSize;

uint8_t NextCoefByte(DocFile& handle) {
  if (iCoefIndex == kCoefBufferSize || iCoefIndex == iCoefFill) {
    int64_t position = SeekDocFile(handle, 0, kSeekCurrent);
    int64_t left = int64_t{aPageOffset[iCurPage + 1]} - position;
    // Coefficients never lie past the page being loaded.
    if (position < 0 || left <= 0) FailDocument(kReadFailed);
    uint32_t count = left < kCoefBufferSize ? static_cast<uint32_t>(left) : kCoefBufferSize;
    if (!GatherRead(handle, aCoefBuf, count)) FailDocument(kReadFailed);
    iCoefFill = count;
    iCoefIndex = 0;
  }
  return aCoefBuf[iCoefIndex++];
}

int32_t NextCoefficient(DocFile& handle) {
  uint32_t number = 0;
  if (DecodeUnsignedNumber([&handle] { return NextCoefByte(handle); }, &number) == 0) FailDocument(kReadFailed);
  return SignedFromNumber(number);
}

constexpr uint64_t kSamples = kBlockSide * kBlockSide;

uint64_t BlockCount(uint32_t h, uint32_t w) {
  return uint64_t{(w + uint64_t{kBlockSide} - 1) / kBlockSide} * ((h + uint64_t{kBlockSide} - 1) / kBlockSide);
}

// Every coefficient takes a byte at least: a picture whose coefficients
// cannot fit in what is left of the page, or are not there, is refused
// before any memory is set aside for it.
void RequireCoefficients(DocFile& handle, uint64_t blocks) {
  const uint64_t least = blocks * kCompactChannels * kSamples;
  const int64_t position = SeekDocFile(handle, 0, kSeekCurrent);
  const int64_t left = int64_t{aPageOffset[iCurPage + 1]} - position;
  if (position < 0 || left < 0 || least > static_cast<uint64_t>(left) || !CanRead(handle, least)) {
    FailDocument(kReadFailed);
  }
}

// Gives back the bytes read ahead but not used.
void ReturnReadAhead(DocFile& handle) {
  if (iCoefIndex != kCoefBufferSize) {
    SeekDocFile(handle, -static_cast<int64_t>(iCoefFill - iCoefIndex), kSeekCurrent);
  }
  iCoefIndex = kCoefBufferSize;
}

float GrowthFactor(int channel, int frequency) {
  double factor = channel == 0 ? std::pow(static_cast<double>(1.3333334f), frequency)
                               : channel * std::pow(4.0, frequency);
  float rounded = static_cast<float>(factor);
  return rounded < 0.0f || rounded >= kGrowthLimit ? kGrowthLimit : rounded;
}

int EndFactor(int frequency) { return frequency == 0 || frequency == kBlockSide - 1 ? 4 : 2; }

uint8_t Clip(uint32_t value) {
  int16_t low = static_cast<int16_t>(value & 0xFFFFu);
  return low < 0 ? 0 : low > 255 ? 255 : static_cast<uint8_t>(low);
}

// The sample positions n whose basis value at frequency k is not zero.
struct Taps {
  int count;
  uint8_t position[kBlockSide];
  uint8_t magnitude[kBlockSide];
  uint8_t negative[kBlockSide];
};

Taps TapsFor(int frequency) {
  Taps taps{};
  for (int n = 0; n < kBlockSide; ++n) {
    uint8_t m = aCosIndex[n][frequency];
    if (m == kZeroMagnitude) continue;
    taps.position[taps.count] = static_cast<uint8_t>(n);
    taps.magnitude[taps.count] = m;
    taps.negative[taps.count] = aCosSign[n][frequency];
    ++taps.count;
  }
  return taps;
}

}  // namespace

void BuildCosTables() {
  const float magnitudes[kBasisMagnitudes] = {
      0.5f, static_cast<float>(std::cos(kPi / 8) / 2), static_cast<float>(std::cos(kPi / 4) / 2),
      static_cast<float>(std::cos(3 * kPi / 8) / 2), 0.0f, 0.25f};
  std::copy(magnitudes, magnitudes + kBasisMagnitudes, aCosMagnitude);
  const float* magnitude = aCosMagnitude;
  for (int p = 0; p < kBasisMagnitudes; ++p) {
    for (int q = 0; q < kBasisMagnitudes; ++q) {
      aCosProd[p][q] = static_cast<int32_t>(
          std::floor(static_cast<double>(magnitude[p]) * magnitude[q] * (1 << kFixedPointBits) + 0.5));
    }
  }
  for (int n = 0; n < kBlockSide; ++n) {
    for (int k = 0; k < kBlockSide; ++k) aCosSign[n][k] = std::cos(n * k * kPi / 8) < 0 ? 1 : 0;
  }
}

void BuildQuantTables() {
  BuildCosTables();
  for (int c = 0; c < kCompactChannels; ++c) {
    for (int u = 0; u < kBlockSide; ++u) {
      for (int v = 0; v < kBlockSide; ++v) {
        double step = std::floor(static_cast<double>(GrowthFactor(c, u)) * EndFactor(u) * iQuantScale *
                                     (static_cast<double>(GrowthFactor(c, v)) * EndFactor(v)) / 3 +
                                 0.5);
        aQuant[c][u][v] = step < 1 || step > kLargestStep ? kCoarsestStep : static_cast<int32_t>(step);
      }
    }
  }
}

void RequireCompactBytes(DocFile& handle, uint32_t h, uint32_t w) { RequireCoefficients(handle, BlockCount(h, w)); }

uint64_t CompactWorkBytes(uint32_t h, uint32_t w) {
  return BlockCount(h, w) * kCompactChannels * kSamples * sizeof(uint32_t);
}

void SkipCompactPicture(DocFile& handle, uint32_t h, uint32_t w) {
  const uint64_t blocks = BlockCount(h, w);
  RequireCoefficients(handle, blocks);
  iCoefIndex = kCoefBufferSize;
  for (uint64_t i = 0; i < blocks * kCompactChannels * kSamples; ++i) NextCoefficient(handle);
  ReturnReadAhead(handle);
}

void ReadBufSgnCompact(DocFile& handle, uint8_t* buffer, uint32_t h, uint32_t w, uint32_t bitsPerPixel) {
  if (w == 0 || h == 0) return;
  const uint32_t blockColumns = (w + kBlockSide - 1) / kBlockSide;
  const uint64_t blocks = BlockCount(h, w);
  RequireCoefficients(handle, blocks);
  // Per channel and block, the sums at sample (i, j), i across and j upwards.
  std::vector<uint32_t> sums;
  try {
    sums.assign(static_cast<size_t>(kCompactChannels * blocks * kSamples), 0);
  } catch (const std::bad_alloc&) {
    FailDocument("Error memory allocation");
  }
  iCoefIndex = kCoefBufferSize;
  for (int c = 0; c < kCompactChannels; ++c) {
    uint32_t previousDc = 0;
    uint32_t* channelSums = sums.data() + c * static_cast<size_t>(blocks) * kSamples;
    for (int u = 0; u < kBlockSide; ++u) {
      const Taps across = TapsFor(u);
      for (int v = 0; v < kBlockSide; ++v) {
        const Taps upwards = TapsFor(v);
        for (size_t block = 0; block < static_cast<size_t>(blocks); ++block) {
          uint32_t coefficient = static_cast<uint32_t>(NextCoefficient(handle));
          if (u == 0 && v == 0) {
            coefficient += previousDc;
            previousDc = coefficient;
          }
          if (coefficient == 0) continue;
          const uint32_t dequantised = coefficient * static_cast<uint32_t>(aQuant[c][u][v]);
          uint32_t* blockSums = channelSums + block * kSamples;
          for (int a = 0; a < across.count; ++a) {
            const int32_t* products = aCosProd[across.magnitude[a]];
            for (int b = 0; b < upwards.count; ++b) {
              uint32_t term = dequantised * static_cast<uint32_t>(products[upwards.magnitude[b]]);
              uint32_t& sum = blockSums[upwards.position[b] * kBlockSide + across.position[a]];
              sum = across.negative[a] == upwards.negative[b] ? sum + term : sum - term;
            }
          }
        }
      }
    }
  }
  ReturnReadAhead(handle);

  const size_t columnBytes = (size_t{bitsPerPixel} * h + 7) / 8;
  const size_t pixelBytes = bitsPerPixel / 8;
  const size_t channelStride = static_cast<size_t>(blocks * kSamples);
  for (uint32_t r = 0; r < h; ++r) {
    for (uint32_t x = 0; x < w; ++x) {
      size_t sample = ((r / kBlockSide) * size_t{blockColumns} + x / kBlockSide) * kSamples +
                      (r % kBlockSide) * kBlockSide + x % kBlockSide;
      uint32_t y0 = sums[sample], y1 = sums[channelStride + sample], y2 = sums[2 * channelStride + sample];
      uint8_t* pixel = buffer + r * pixelBytes + x * columnBytes;
      constexpr uint32_t kHalf = 1u << (kFixedPointBits - 1);
      pixel[0] = Clip(static_cast<uint32_t>(static_cast<int32_t>(y0 + 2 * y1 + y2 + kHalf) >> kFixedPointBits));
      pixel[1] = Clip(static_cast<uint32_t>(static_cast<int32_t>(y0 - y2 + kHalf) >> kFixedPointBits));
      pixel[2] = Clip(static_cast<uint32_t>(static_cast<int32_t>(y0 - 2 * y1 + y2 + kHalf) >> kFixedPointBits));
    }
  }
}
