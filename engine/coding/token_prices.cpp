#include "engine/coding/token_prices.h"

#include <cstddef>

namespace {

// The bits of an extension under WriteAdaptiveInt's code.
uint32_t AdaptiveIntBits(uint64_t value, unsigned k, unsigned kmax) {
  const unsigned shifts = value < (uint64_t{1} << k) ? 0 : BitLength(static_cast<uint32_t>(value)) - k;
  const unsigned prefix = shifts == kmax - k ? shifts : shifts + 1;
  return prefix + (shifts == 0 ? k : k + shifts - 1);
}

uint32_t MatchSymbol(int64_t length) { return static_cast<uint32_t>(length + kLengthBias); }

}  // namespace

void BuildCodingModels(CodingModels& models, int windowExponent) {
  models.windowExponent = windowExponent;
  BuildHp(models.hp);
  BuildDistanceModels(models.hl, windowExponent);
}

void ReleaseCodingModels(CodingModels& models) {
  ReleaseDistanceModels(models.hl);
  ReleaseHp(models.hp);
}

void CopyCodingModels(const CodingModels& from, CodingModels& to) {
  AdaptiveHuffman* tree = to.hp.tree;
  to.hp = from.hp;
  to.hp.tree = tree;
  CopyTree(*from.hp.tree, *to.hp.tree);
  for (int model = 0; model < kDistanceModels; ++model) CopyTree(*from.hl[model].tree, *to.hl[model].tree);
}

void PriceTokens(const CodingModels& models, int64_t longest, TokenPrices& prices) {
  const AdaptiveHuffman& hp = *models.hp.tree;
  for (unsigned byte = 0; byte < 256; ++byte) prices.literal[byte] = GetCode(hp, byte).length;
  prices.length.assign(static_cast<size_t>(longest) + 1, 0);
  const uint32_t escape = GetCode(hp, kEscapeSymbol).length;
  for (int64_t length = kMinMatch; length <= longest; ++length) {
    const uint32_t symbol = MatchSymbol(length);
    const uint32_t bits = symbol < kEscapeSymbol
                              ? GetCode(hp, symbol).length
                              : escape + AdaptiveIntBits(symbol - kEscapeSymbol, models.hp.k, models.hp.kmax);
    prices.length[static_cast<size_t>(length)] = bits;
  }
  const unsigned bitLengths = static_cast<unsigned>(models.windowExponent) + 1;
  for (int model = 0; model < kDistanceModels; ++model) {
    for (unsigned n = 0; n < kMaxDistanceBits; ++n) {
      // A bit length the model cannot code is never asked for: the window
      // keeps every distance below 2^e.
      const uint32_t code = n < bitLengths && bitLengths > 1 ? GetCode(*models.hl[model].tree, n).length : 0;
      prices.distance[model][n] = code + (n >= 2 ? n - 1 : 0);
    }
  }
}

uint64_t SimulateTokens(CodingModels& models, const std::vector<ParseToken>& tokens, const uint8_t* data) {
  HpModel& hp = models.hp;
  uint64_t bits = 0;
  const uint8_t* next = data;
  for (const ParseToken& token : tokens) {
    if (token.length == 1) {
      bits += GetCode(*hp.tree, *next).length;
      UpdateTree(*hp.tree, *next);
      ++next;
      continue;
    }
    const uint32_t symbol = MatchSymbol(token.length);
    const uint32_t coded = symbol < kEscapeSymbol ? symbol : kEscapeSymbol;
    bits += GetCode(*hp.tree, coded).length;
    UpdateTree(*hp.tree, coded);
    if (coded == kEscapeSymbol) {
      bits += AdaptiveIntBits(symbol - kEscapeSymbol, hp.k, hp.kmax);
      CountExtension(hp, symbol - kEscapeSymbol);
    }
    AdaptiveHuffman8& hl = *models.hl[DistanceModelFor(symbol)].tree;
    const unsigned n = BitLength(static_cast<uint32_t>(token.distance) - 1);
    bits += GetCode(hl, n).length + (n >= 2 ? n - 1 : 0);
    UpdateTree(hl, n);
    next += token.length;
  }
  return bits;
}

void EncodeTokens(CodingModels& models, const std::vector<ParseToken>& tokens, const uint8_t* data, BitFile& file) {
  const uint8_t* next = data;
  for (const ParseToken& token : tokens) {
    if (token.length == 1) {
      EncodeHp(models.hp, *next++, file);
      continue;
    }
    const uint32_t symbol = MatchSymbol(token.length);
    EncodeHp(models.hp, symbol, file);
    EncodeHl(models.hl[DistanceModelFor(symbol)], static_cast<uint32_t>(token.distance) - 1, file);
    next += token.length;
  }
}
