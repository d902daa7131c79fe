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

extern float aCosMagnitude[kBasisMagnitudes];  // a(0) to a(5)
extern int32_t aCosProd[kBasisMagnitudes][kBasisMagnitudes];
extern const uint8_t aCosIndex[kBlockSide][kBlockSide];
extern uint8_t aCosSign[kBlockSide][kBlockSide];
extern int32_t aQuant[kCompactChannels][kBlockSide][kBlockSide];

void BuildCosTables();
// Fills aQuant from iQuantScale (building the cosine tables first).
void BuildQuantTables();

// Decodes one picture of w x h pixels whose coefficients start at the
// handle's position into `buffer`, laid out as a picture of the page's B
// bits per pixel (columns of ceil(B x h / 8) bytes; B must be 24). Leaves
// the handle just after the last coefficient byte.
void ReadBufSgnCompact(DocFile& handle, uint8_t* buffer, uint32_t h, uint32_t w, uint32_t bitsPerPixel);
// Moves the handle past such a picture without decoding it.
void SkipCompactPicture(DocFile& handle, uint32_t h, uint32_t w);
// Fails unless the page holds at least one byte for each coefficient of
// such a picture: its memory is set aside only for data that is there.
void RequireCompactBytes(DocFile& handle, uint32_t h, uint32_t w);
// The working memory ReadBufSgnCompact needs for a picture of w x h pixels.
uint64_t CompactWorkBytes(uint32_t h, uint32_t w);
