#include "tests/engine/packed_tokens.h"

#include "engine/bit_file.h"
#include "engine/coding/symbol_models.h"

namespace testing_support {

Bytes PackTokens(const std::vector<TestToken>& tokens, int windowExponent) {
  constexpr unsigned kHeaderBits = 5;
  Bytes packed;
  BitFile file;
  OpenBitFileForMemoryWrite(file, &packed);
  WriteBits(file, static_cast<uint32_t>(windowExponent), kHeaderBits);
  HpModel hp;
  BuildHp(hp);
  HlModel hl[kDistanceModels];
  BuildDistanceModels(hl, windowExponent);
  for (const TestToken& token : tokens) {
    if (token.length == 1) {
      EncodeHp(hp, token.byte, file);
      continue;
    }
    const uint32_t symbol = static_cast<uint32_t>(token.length + kLengthBias);
    EncodeHp(hp, symbol, file);
    EncodeHl(hl[DistanceModelFor(symbol)], token.distance - 1, file);
  }
  EncodeEndHp(hp, file);
  Finish(file);
  ReleaseBitFile(file);
  ReleaseDistanceModels(hl);
  ReleaseHp(hp);
  return packed;
}

}  // namespace testing_support
