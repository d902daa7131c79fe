#include "engine/coding/symbol_models.h"

#include <new>

#include "engine/fail.h"

void BuildHp(HpModel& hp) {
  hp = HpModel{};
  hp.tree = new (std::nothrow) AdaptiveHuffman;
  if (hp.tree == nullptr) FailCoded(exitcode::kFailure, msg::kNoHpMemory);
  BuildTree(*hp.tree, kHpSymbols, kHpWeightLimit, false);
}

void ReleaseHp(HpModel& hp) {
  if (hp.tree == nullptr) return;
  ReleaseTree(*hp.tree);
  delete hp.tree;
  hp.tree = nullptr;
}

// k follows the average bit length of recent extensions; the averaging
// window grows with the square of that average.
void CountExtension(HpModel& hp, uint32_t extension) {
  hp.extensionBits += BitLength(extension);
  hp.extensionCount += 1;
  uint32_t average = hp.extensionBits / hp.extensionCount;
  hp.k = static_cast<uint8_t>(average);
  if (hp.extensionCount >= average * average) {
    hp.extensionBits >>= 1;
    hp.extensionCount >>= 1;
  }
}

static void EncodeTreeSymbol(AdaptiveHuffman& tree, unsigned symbol, BitFile& file) {
  HuffmanCode code = GetCode(tree, symbol);
  UpdateTree(tree, symbol);
  WriteBits(file, code.bits, code.length);
}

void EncodeHp(HpModel& hp, uint32_t symbol, BitFile& file) {
  const uint32_t escape = static_cast<uint32_t>(hp.escape);
  if (symbol < escape) {
    EncodeTreeSymbol(*hp.tree, symbol, file);
    return;
  }
  EncodeTreeSymbol(*hp.tree, escape, file);
  uint32_t extension = symbol - escape;
  WriteAdaptiveInt(extension, hp.k, hp.kmax, file);
  CountExtension(hp, extension);
}

bool DecodeEscape(HpModel& hp, BitFile& file, uint32_t* symbol, DecodeEnd* end) {
  const uint64_t afterEscape = BitsConsumed(file);
  uint32_t extension;
  if (!ReadAdaptiveInt(hp.k, hp.kmax, file, &extension)) {
    *end = RestIsPadding(file, afterEscape) ? DecodeEnd::kEndMark : DecodeEnd::kCutShort;
    return false;
  }
  CountExtension(hp, extension);
  *symbol = static_cast<uint32_t>(hp.escape) + extension;
  return true;
}

void EncodeEndHp(HpModel& hp, BitFile& file) {
  HuffmanCode code = GetCode(*hp.tree, static_cast<unsigned>(hp.escape));
  WriteBits(file, code.bits, code.length);
  PadToByte(file, 1);
}

void BuildHl(HlModel& hl, unsigned symbolCount) {
  hl.tree = new (std::nothrow) AdaptiveHuffman8;
  if (hl.tree == nullptr) FailCoded(exitcode::kFailure, msg::kNoHlMemory);
  BuildTree(*hl.tree, symbolCount, kHlWeightLimit, true);
}

void ReleaseHl(HlModel& hl) {
  if (hl.tree == nullptr) return;
  ReleaseTree(*hl.tree);
  delete hl.tree;
  hl.tree = nullptr;
}

void BuildDistanceModels(HlModel (&hl)[kDistanceModels], int windowExponent) {
  for (HlModel& model : hl) BuildHl(model, static_cast<uint8_t>(windowExponent + 1));
}

void ReleaseDistanceModels(HlModel (&hl)[kDistanceModels]) {
  for (int i = kDistanceModels - 1; i >= 0; --i) ReleaseHl(hl[i]);
}

void EncodeHl(HlModel& hl, uint32_t value, BitFile& file) {
  unsigned length = BitLength(value);
  HuffmanCode code = GetCode(*hl.tree, length);
  UpdateTree(*hl.tree, length);
  WriteBits(file, code.bits, code.length);
  // The top bit of a value of two or more bits is implied.
  if (length >= 2) WriteBits(file, value - (1u << (length - 1)), length - 1);
}

void WriteAdaptiveInt(uint32_t value, uint8_t k, uint8_t kmax, BitFile& file) {
  unsigned shifts = static_cast<uint64_t>(value) < (uint64_t{1} << k) ? 0 : BitLength(value) - k;
  uint32_t ones = static_cast<uint32_t>((uint64_t{1} << shifts) - 1);
  // The prefix's closing zero is left out when the prefix is as long as it can be.
  WriteBits(file, ones, shifts == static_cast<unsigned>(kmax - k) ? shifts : shifts + 1);
  WriteBits(file, value, shifts == 0 ? k : k + shifts - 1);
}

bool ReadAdaptiveInt(uint8_t k, uint8_t kmax, BitFile& file, uint32_t* value) {
  unsigned shifts = 0;
  while (shifts < static_cast<unsigned>(kmax - k)) {
    unsigned bit;
    if (!ReadBit(file, &bit)) return false;
    if (bit == 0) break;
    ++shifts;
  }
  unsigned bodyBits = shifts == 0 ? k : k + shifts - 1;
  uint32_t body = 0;
  if (ReadBits(file, &body, bodyBits) < bodyBits) return false;
  *value = shifts == 0 ? body : body + (1u << (k + shifts - 1));
  return true;
}
