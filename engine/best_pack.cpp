#include "engine/best_pack.h"

#include "engine/bit_file.h"
#include "engine/coding/match_tree.h"
#include "engine/coding/optimal_parse.h"
#include "engine/coding/token_prices.h"
#include "engine/fail.h"
#include "engine/progress.h"

namespace {

constexpr unsigned kHeaderBits = 5;
// Prices are taken afresh for each block, as the adaptive codes drift: the
// hp tree is rebuilt about every 2000 symbols. Blocks from 2 to 16 KiB pack
// within a tenth of a percent of each other.
constexpr int32_t kBlockBytes = 8192;
constexpr int kParsePasses = 2;
// A match this long is taken as it stands, in full, with no parse around it.
constexpr int32_t kNiceLength = 256;
// Inside a long match at a distance up to kShortPeriod, one position in
// kSparseStep enters the tree (below).
constexpr int32_t kShortPeriod = 4096;
constexpr int64_t kSparseStep = 16;
// Tree nodes visited per position under the default search switch, halved
// for each step the switch takes towards faster.
constexpr int kDefaultDepthExponent = 6;

struct BestPacker {
  const uint8_t* data;
  int64_t size;
  MatchTree tree;
  BlockMatches block;
  ParseScratch scratch;
  CodingModels models;
  CodingModels trial;
  TokenPrices prices;
  std::vector<ParseToken> tokens;
  std::vector<ParseToken> retried;
};

// Finds the matches of the block starting at `start`; returns the bytes it
// covers, and sets `longMatch` when a match of the nice length or more ends it.
int32_t GatherBlock(BestPacker& packer, int64_t start, ParseToken& longMatch) {
  BlockMatches& block = packer.block;
  block.matches.clear();
  block.first.clear();
  longMatch = ParseToken{0, 0};
  TreeMatch found[kMostTreeMatches];
  int32_t count = 0;
  for (; count < kBlockBytes && start + count < packer.size; ++count) {
    block.first.push_back(static_cast<uint32_t>(block.matches.size()));
    const int64_t position = start + count;
    const int matches = FindTreeMatches(packer.tree, position, found);
    if (matches > 0 && found[matches - 1].length >= kNiceLength) {
      const int32_t distance = found[matches - 1].distance;
      longMatch = ParseToken{ExtendMatch(packer.tree, position, distance), distance};
      break;
    }
    block.matches.insert(block.matches.end(), found, found + matches);
  }
  block.first.push_back(static_cast<uint32_t>(block.matches.size()));
  return count;
}

// Enters the positions inside a long match into the tree. In a run whose
// period is short, the middle positions repeat positions a period back that
// the tree holds already: one in kSparseStep of them is entered, which keeps
// a long run from costing the nice length's comparisons at every position.
void EnterMatchPositions(MatchTree& tree, int64_t start, const ParseToken& match) {
  const int64_t length = match.length;
  const bool run = match.distance <= kShortPeriod;
  for (int64_t inside = 1; inside < length; ++inside) {
    const bool edge = !run || inside < kNiceLength || inside >= length - kNiceLength;
    if (edge || inside % kSparseStep == 0) SkipTreePosition(tree, start + inside);
  }
}

// Parses the block with the prices of the models' present state; then, for
// each further pass, with the prices of the state the last parse leads to
// (the codes the block's own symbols make cheaper). Keeps the parse that
// codes in fewest bits; more passes than two lose more in later blocks than
// they win in this one.
void ParseAndEncode(BestPacker& packer, int64_t start, int32_t count, BitFile& file) {
  const uint8_t* data = packer.data + start;
  PriceTokens(packer.models, kNiceLength, packer.prices);
  ParseBlock(packer.block, count, packer.prices, data, packer.scratch, packer.tokens);
  CopyCodingModels(packer.models, packer.trial);
  uint64_t bestBits = SimulateTokens(packer.trial, packer.tokens, data);
  for (int pass = 1; pass < kParsePasses; ++pass) {
    PriceTokens(packer.trial, kNiceLength, packer.prices);
    ParseBlock(packer.block, count, packer.prices, data, packer.scratch, packer.retried);
    CopyCodingModels(packer.models, packer.trial);
    const uint64_t bits = SimulateTokens(packer.trial, packer.retried, data);
    if (bits < bestBits) {
      bestBits = bits;
      packer.tokens.swap(packer.retried);
    }
  }
  EncodeTokens(packer.models, packer.tokens, data, file);
}

void PackAll(BestPacker& packer, BitFile& file, ProgressCounter& progress) {
  int64_t position = 0;
  while (position < packer.size) {
    const int64_t blockStart = position;
    ParseToken longMatch;
    const int32_t count = GatherBlock(packer, position, longMatch);
    if (count > 0) ParseAndEncode(packer, position, count, file);
    position += count;
    if (longMatch.length > 0) {
      packer.tokens.assign(1, longMatch);
      EncodeTokens(packer.models, packer.tokens, packer.data + position, file);
      EnterMatchPositions(packer.tree, position, longMatch);
      position += longMatch.length;
    }
    CountProgress(progress, position - blockStart);
  }
}

// Packs the whole data into `file`; the caller releases what this takes.
void PackBlocks(BestPacker& packer, const WindowChoice& window, const Switches& switches, BitFile& file,
                FILE* progressStream) {
  const int depthShift = (kDefaultSearchExponent - switches.searchExponent) / 2;
  const int depthExponent = kDefaultDepthExponent - depthShift;
  StartMatchTree(packer.tree, packer.data, packer.size, window.size > 1 ? window.size - 1 : 1, kNiceLength,
                 int32_t{1} << depthExponent);
  BuildCodingModels(packer.models, window.exponent);
  BuildCodingModels(packer.trial, window.exponent);
  WriteBits(file, static_cast<uint32_t>(window.exponent) & 0x1Fu, kHeaderBits);
  ProgressCounter progress;
  StartProgress(progress, packer.size, progressStream);
  PackAll(packer, file, progress);
  CompleteProgress(progress);
  EncodeEndHp(packer.models.hp, file);
  Finish(file);
}

// A failure throws and the caller goes on: this runs on the way out too.
void ReleasePacker(BestPacker& packer, BitFile& file) {
  ReleaseBitFile(file);
  ReleaseCodingModels(packer.trial);
  ReleaseCodingModels(packer.models);
}

}  // namespace

std::vector<uint8_t> PackBytesBest(const uint8_t* data, uint64_t size, const Switches& switches,
                                   FILE* progressStream) {
  if (size > static_cast<uint64_t>(kLargestSource)) FailCoded(exitcode::kFailure, msg::kSourceTooLarge);
  const WindowChoice window = ChooseWindow(static_cast<int64_t>(size), switches.windowExponent);
  BestPacker packer{data, static_cast<int64_t>(size), {}, {}, {}, {}, {}, {}, {}, {}};
  std::vector<uint8_t> out;
  BitFile file;
  try {
    OpenBitFileForMemoryWrite(file, &out);
    PackBlocks(packer, window, switches, file, progressStream);
  } catch (...) {
    ReleasePacker(packer, file);
    throw;
  }
  ReleasePacker(packer, file);
  return out;
}
