// What tokens cost under the adaptive models as they stand: the prices a
// parse weighs its choices by, and the exact bits of a run of tokens.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/coding/symbol_models.h"

// A token of a parse: length 1 is a literal, 3 or more a match.
struct ParseToken {
  int64_t length;
  int32_t distance;
};

// The literal/length model and the seven distance models of one run.
struct CodingModels {
  HpModel hp;
  HlModel hl[kDistanceModels];
  int windowExponent = 0;
};

void BuildCodingModels(CodingModels& models, int windowExponent);
void ReleaseCodingModels(CodingModels& models);
// Makes `to` (built for the same window) the same state as `from`.
void CopyCodingModels(const CodingModels& from, CodingModels& to);

constexpr int kMaxDistanceBits = 25;  // bit lengths 0..24 of distance - 1

// Prices in bits.
struct TokenPrices {
  uint32_t literal[256];
  std::vector<uint32_t> length;  // by match length, 0..longest (below 3 unused)
  // By model and bit length of distance - 1: the model's code and the raw bits.
  uint32_t distance[kDistanceModels][kMaxDistanceBits];
};

// The code lengths of the models' present state, for lengths up to `longest`.
void PriceTokens(const CodingModels& models, int64_t longest, TokenPrices& prices);
// Codes `tokens` starting at `data` into the models' state without writing
// anything; returns the bits they would take.
uint64_t SimulateTokens(CodingModels& models, const std::vector<ParseToken>& tokens, const uint8_t* data);
// Writes the tokens through the models.
void EncodeTokens(CodingModels& models, const std::vector<ParseToken>& tokens, const uint8_t* data, BitFile& file);
