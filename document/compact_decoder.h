// Compact-coded colour pictures: 9 x 9 blocks of quantised coefficients of a
// two-dimensional cosine transform of type I, in three channels (brightness
// and two colour differences), reconstructed in 32-bit fixed point with 12
// fractional bits so that every decoder gives the same pixels.
#pragma once

#include <cstdint>

#include "document/doc_file.h"

constexpr int kBlockSide = 9;
constexpr int kCompactChannels = 3;
constexpr int kBasisMagnitudes = 6;
constexpr int kZeroMagnitude = 4;  // the index of the basis magnitude 0

// The cosine basis: a(0) to a(5), their products in fixed point, and the
// sign of each sample's basis value (1 for negative).
struct CosineTables {
  float magnitude[kBasisMagnitudes];
  int32_t product[kBasisMagnitudes][kBasisMagnitudes];
  uint8_t negative[kBlockSide][kBlockSide];
};
extern const uint8_t aCosIndex[kBlockSide][kBlockSide];

// The tables, computed: each decoder (and the encoder) holds its own.
CosineTables ComputeCosTables();


// The quantiser steps of one scale, per channel and frequency pair.
struct QuantSteps {
  int32_t step[kCompactChannels][kBlockSide][kBlockSide];
};
QuantSteps BuildQuantTables(int32_t scale);

constexpr uint32_t kCoefBufferSize = 1024;

// The decoder's running state: the steps of the last scale used and the
// coefficient bytes read ahead.
struct CompactDecoder {
  int32_t quantScale = -1;  // -1 before the first compact picture
  QuantSteps quant{};
  // Computed with the first compact picture: each decoder holds its own,
  // so that the library keeps no state of its own.
  CosineTables cosines{};
  bool cosinesReady = false;
  int64_t pageEnd = 0;  // coefficients never lie past the page being loaded
  uint32_t fill = 0;
  uint32_t index = kCoefBufferSize;  // at the size: nothing read ahead
  uint8_t buffer[kCoefBufferSize];
};

// Makes the decoder's steps those of `scale`.
void UseQuantScale(CompactDecoder& decoder, int32_t scale);

// Decodes one picture of w x h pixels whose coefficients start at the
// handle's position into `buffer`, laid out as a picture of the page's B
// bits per pixel (columns of ceil(B x h / 8) bytes; B must be 24). Leaves
// the handle just after the last coefficient byte.
void ReadBufSgnCompact(CompactDecoder& decoder, DocFile& handle, uint8_t* buffer, uint32_t h, uint32_t w,
                       uint32_t bitsPerPixel);
// Moves the handle past such a picture without decoding it.
void SkipCompactPicture(CompactDecoder& decoder, DocFile& handle, uint32_t h, uint32_t w);
// Fails unless the page holds at least one byte for each coefficient of
// such a picture: its memory is set aside only for data that is there.
void RequireCompactBytes(const CompactDecoder& decoder, DocFile& handle, uint32_t h, uint32_t w);
// The working memory ReadBufSgnCompact needs for a picture of w x h pixels.
uint64_t CompactWorkBytes(uint32_t h, uint32_t w);
