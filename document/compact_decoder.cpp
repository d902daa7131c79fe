#include "document/compact_decoder.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "document/document_error.h"
#include "document/document_layout.h"

// M(n, k): 5 (the end magnitude) for k = 0 or 8, else min(nk mod 8, 8 - nk mod 8).
const uint8_t aCosIndex[kBlockSide][kBlockSide] = {
    {5, 0, 0, 0, 0, 0, 0, 0, 5}, {5, 1, 2, 3, 4, 3, 2, 1, 5}, {5, 2, 4, 2, 0, 2, 4, 2, 5},
    {5, 3, 2, 1, 4, 1, 2, 3, 5}, {5, 4, 0, 4, 0, 4, 0, 4, 5}, {5, 3, 2, 1, 4, 1, 2, 3, 5},
    {5, 2, 4, 2, 0, 2, 4, 2, 5}, {5, 1, 2, 3, 4, 3, 2, 1, 5}, {5, 0, 0, 0, 0, 0, 0, 0, 5},
};

namespace {

constexpr const char* kReadFailed = "Error of ReadBufSgnCompact";
constexpr int kFixedPointBits = 12;
constexpr double kPi = 3.14159265358979323846;
constexpr int kLargestStep = 254;
constexpr int kCoarsestStep = 255;
constexpr float kGrowthLimit = 255.0f;

uint8_t NextCoefByte(CompactDecoder& decoder, DocFile& handle) {
  if (decoder.index == kCoefBufferSize || decoder.index == decoder.fill) {
    int64_t position = SeekDocFile(handle, 0, kSeekCurrent);
    int64_t left = decoder.pageEnd - position;
    // Coefficients never lie past the page being loaded.
    if (position < 0 || left <= 0) throw DocumentError(kReadFailed);
    uint32_t count = left < kCoefBufferSize ? static_cast<uint32_t>(left) : kCoefBufferSize;
    if (!GatherRead(handle, decoder.buffer, count)) throw DocumentError(kReadFailed);
    decoder.fill = count;
    decoder.index = 0;
  }
  return decoder.buffer[decoder.index++];
}

int32_t NextCoefficient(CompactDecoder& decoder, DocFile& handle) {
  uint32_t number = 0;
  if (DecodeUnsignedNumber([&decoder, &handle] { return NextCoefByte(decoder, handle); }, &number) == 0) {
    throw DocumentError(kReadFailed);
  }
  return SignedFromNumber(number);
}

constexpr uint64_t kSamples = kBlockSide * kBlockSide;

uint64_t BlockCount(uint32_t h, uint32_t w) {
  return uint64_t{(w + uint64_t{kBlockSide} - 1) / kBlockSide} * ((h + uint64_t{kBlockSide} - 1) / kBlockSide);
}

// Every coefficient takes a byte at least: a picture whose coefficients
// cannot fit in what is left of the page, or are not there, is refused
// before any memory is set aside for it.
void RequireCoefficients(const CompactDecoder& decoder, DocFile& handle, uint64_t blocks) {
  const uint64_t least = blocks * kCompactChannels * kSamples;
  const int64_t position = SeekDocFile(handle, 0, kSeekCurrent);
  const int64_t left = decoder.pageEnd - position;
  if (position < 0 || left < 0 || least > static_cast<uint64_t>(left) || !CanRead(handle, least)) {
    throw DocumentError(kReadFailed);
  }
}

// Gives back the bytes read ahead but not used.
void ReturnReadAhead(CompactDecoder& decoder, DocFile& handle) {
  if (decoder.index != kCoefBufferSize) {
    SeekDocFile(handle, -static_cast<int64_t>(decoder.fill - decoder.index), kSeekCurrent);
  }
  decoder.index = kCoefBufferSize;
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

Taps TapsFor(const CosineTables& cosines, int frequency) {
  Taps taps{};
  for (int n = 0; n < kBlockSide; ++n) {
    uint8_t m = aCosIndex[n][frequency];
    if (m == kZeroMagnitude) continue;
    taps.position[taps.count] = static_cast<uint8_t>(n);
    taps.magnitude[taps.count] = m;
    taps.negative[taps.count] = cosines.negative[n][frequency];
    ++taps.count;
  }
  return taps;
}


}  // namespace

CosineTables ComputeCosTables() {
  CosineTables tables{};
  const float magnitudes[kBasisMagnitudes] = {
      0.5f, static_cast<float>(std::cos(kPi / 8) / 2), static_cast<float>(std::cos(kPi / 4) / 2),
      static_cast<float>(std::cos(3 * kPi / 8) / 2), 0.0f, 0.25f};
  std::copy(magnitudes, magnitudes + kBasisMagnitudes, tables.magnitude);
  const float* magnitude = tables.magnitude;
  for (int p = 0; p < kBasisMagnitudes; ++p) {
    for (int q = 0; q < kBasisMagnitudes; ++q) {
      tables.product[p][q] = static_cast<int32_t>(
          std::floor(static_cast<double>(magnitude[p]) * magnitude[q] * (1 << kFixedPointBits) + 0.5));
    }
  }
  for (int n = 0; n < kBlockSide; ++n) {
    for (int k = 0; k < kBlockSide; ++k) tables.negative[n][k] = std::cos(n * k * kPi / 8) < 0 ? 1 : 0;
  }
  return tables;
}

QuantSteps BuildQuantTables(int32_t scale) {
  QuantSteps steps{};
  for (int c = 0; c < kCompactChannels; ++c) {
    for (int u = 0; u < kBlockSide; ++u) {
      for (int v = 0; v < kBlockSide; ++v) {
        double step = std::floor(static_cast<double>(GrowthFactor(c, u)) * EndFactor(u) * scale *
                                     (static_cast<double>(GrowthFactor(c, v)) * EndFactor(v)) / 3 +
                                 0.5);
        steps.step[c][u][v] = step < 1 || step > kLargestStep ? kCoarsestStep : static_cast<int32_t>(step);
      }
    }
  }
  return steps;
}

void UseQuantScale(CompactDecoder& decoder, int32_t scale) {
  if (scale == decoder.quantScale) return;
  decoder.quantScale = scale;
  decoder.quant = BuildQuantTables(scale);
}

void RequireCompactBytes(const CompactDecoder& decoder, DocFile& handle, uint32_t h, uint32_t w) {
  RequireCoefficients(decoder, handle, BlockCount(h, w));
}

uint64_t CompactWorkBytes(uint32_t h, uint32_t w) {
  return BlockCount(h, w) * kCompactChannels * kSamples * sizeof(uint32_t);
}

void SkipCompactPicture(CompactDecoder& decoder, DocFile& handle, uint32_t h, uint32_t w) {
  const uint64_t blocks = BlockCount(h, w);
  RequireCoefficients(decoder, handle, blocks);
  decoder.index = kCoefBufferSize;
  for (uint64_t i = 0; i < blocks * kCompactChannels * kSamples; ++i) NextCoefficient(decoder, handle);
  ReturnReadAhead(decoder, handle);
}

void ReadBufSgnCompact(CompactDecoder& decoder, DocFile& handle, uint8_t* buffer, uint32_t h, uint32_t w,
                       uint32_t bitsPerPixel) {
  if (w == 0 || h == 0) return;
  const uint32_t blockColumns = (w + kBlockSide - 1) / kBlockSide;
  const uint64_t blocks = BlockCount(h, w);
  RequireCoefficients(decoder, handle, blocks);
  if (!decoder.cosinesReady) {
    decoder.cosines = ComputeCosTables();
    decoder.cosinesReady = true;
  }
  const CosineTables& cosines = decoder.cosines;
  // Per channel and block, the sums at sample (i, j), i across and j upwards.
  std::vector<uint32_t> sums;
  try {
    sums.assign(static_cast<size_t>(kCompactChannels * blocks * kSamples), 0);
  } catch (const std::bad_alloc&) {
    throw DocumentError("Error memory allocation");
  }
  decoder.index = kCoefBufferSize;
  for (int c = 0; c < kCompactChannels; ++c) {
    uint32_t previousDc = 0;
    uint32_t* channelSums = sums.data() + c * static_cast<size_t>(blocks) * kSamples;
    for (int u = 0; u < kBlockSide; ++u) {
      const Taps across = TapsFor(cosines, u);
      for (int v = 0; v < kBlockSide; ++v) {
        const Taps upwards = TapsFor(cosines, v);
        for (size_t block = 0; block < static_cast<size_t>(blocks); ++block) {
          uint32_t coefficient = static_cast<uint32_t>(NextCoefficient(decoder, handle));
          if (u == 0 && v == 0) {
            coefficient += previousDc;
            previousDc = coefficient;
          }
          if (coefficient == 0) continue;
          const uint32_t dequantised = coefficient * static_cast<uint32_t>(decoder.quant.step[c][u][v]);
          uint32_t* blockSums = channelSums + block * kSamples;
          for (int a = 0; a < across.count; ++a) {
            const int32_t* products = cosines.product[across.magnitude[a]];
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
  ReturnReadAhead(decoder, handle);

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
