// The literal/length model hp and the distance models hl.
//
// hp codes a literal byte (symbols 0..255) or a match length L as symbol
// L + 253. Every symbol from the escape 319 upward is the escape followed by
// its extension, coded with a self-tuning integer code. The escape with no
// extension after it is the end mark.
//
// hl codes distance - 1 as its bit length through an 8-bit tree, followed by
// the bits below the top one.
#pragma once

#include <cstdint>

#include "engine/bit_file.h"
#include "engine/coding/adaptive_huffman.h"

constexpr unsigned kHpSymbols = 320;
constexpr unsigned kHpWeightLimit = 4096;
constexpr uint8_t kHpKmax = 32;
constexpr int32_t kEscapeSymbol = 319;
constexpr unsigned kHlWeightLimit = 512;
constexpr int kDistanceModels = 7;
constexpr int32_t kFirstMatchSymbol = 256;
constexpr int32_t kMinMatch = 3;
// Symbol of a match of length L: L + kLengthBias.
constexpr int32_t kLengthBias = kFirstMatchSymbol - kMinMatch;

struct HpModel {
  int32_t escape = kEscapeSymbol;
  uint8_t kmax = kHpKmax;
  uint8_t k = 0;
  uint32_t extensionCount = 0;
  uint32_t extensionBits = 0;
  AdaptiveHuffman* tree = nullptr;
};

struct HlModel {
  AdaptiveHuffman8* tree = nullptr;
};

// How a decode ended when it could not deliver a token; a restoring run
// also ends at its limit, or pauses where it was asked to.
enum class DecodeEnd { kNone, kEndMark, kCutShort, kOverLimit, kPaused };

void BuildHp(HpModel& hp);
void ReleaseHp(HpModel& hp);
// `symbol` may be above the escape: the excess becomes the extension.
void EncodeHp(HpModel& hp, uint32_t symbol, BitFile& file);
// Reads the extension after an escape just decoded; false when it cannot be
// read, `end` then saying whether the stream stopped on its end mark.
bool DecodeEscape(HpModel& hp, BitFile& file, uint32_t* symbol, DecodeEnd* end);

// False when no symbol can be read; `end` then says whether the stream
// stopped on its end mark and padding. Inline: the restoring loop spends
// most of its time here.
inline bool DecodeHp(HpModel& hp, BitFile& file, uint32_t* symbol, DecodeEnd* end) {
  unsigned decoded;
  if (!DecodeSymbol(*hp.tree, file, &decoded)) {
    *end = DecodeEnd::kCutShort;
    return false;
  }
  UpdateTree(*hp.tree, decoded);
  if (decoded != static_cast<unsigned>(hp.escape)) {
    *symbol = decoded;
    return true;
  }
  return DecodeEscape(hp, file, symbol, end);
}
void EncodeEndHp(HpModel& hp, BitFile& file);
// Counts an extension written or read: k follows their recent bit lengths.
void CountExtension(HpModel& hp, uint32_t extension);

// The model number of a match symbol: min(length - 3, 6).
inline int DistanceModelFor(uint32_t symbol) {
  uint32_t index = symbol - kFirstMatchSymbol;
  return index < kDistanceModels - 1 ? static_cast<int>(index) : kDistanceModels - 1;
}

void BuildHl(HlModel& hl, unsigned symbolCount);
void ReleaseHl(HlModel& hl);
void EncodeHl(HlModel& hl, uint32_t value, BitFile& file);

inline bool DecodeHl(HlModel& hl, BitFile& file, uint32_t* value) {
  // The tree of an empty source's header has no stored node: a match there
  // can only come from a damaged stream.
  if (hl.tree->nodeCount < 2) return false;
  unsigned length;
  if (!DecodeSymbol(*hl.tree, file, &length)) return false;
  UpdateTree(*hl.tree, length);
  if (length < 2) {
    *value = length;
    return true;
  }
  // A distance whose low bits are cut off is unreadable, not a shorter one.
  uint32_t low = 0;
  if (ReadBits(file, &low, length - 1) != length - 1) return false;
  *value = (1u << (length - 1)) + low;
  return true;
}

// The seven distance models of a run, each over e + 1 bit lengths; released
// from the last to the first.
void BuildDistanceModels(HlModel (&hl)[kDistanceModels], int windowExponent);
void ReleaseDistanceModels(HlModel (&hl)[kDistanceModels]);

void WriteAdaptiveInt(uint32_t value, uint8_t k, uint8_t kmax, BitFile& file);
bool ReadAdaptiveInt(uint8_t k, uint8_t kmax, BitFile& file, uint32_t* value);
