#include "engine/coding/optimal_parse.h"

#include <algorithm>
#include <limits>

namespace {

constexpr uint64_t kUnreached = std::numeric_limits<uint64_t>::max();
constexpr int kLengthModels = kDistanceModels - 1;  // lengths 3..8 have a model each

int ModelForLength(int32_t length) {
  return length - kMinMatch < kLengthModels ? length - kMinMatch : kDistanceModels - 1;
}

uint32_t DistancePrice(const TokenPrices& prices, int model, int32_t distance) {
  return prices.distance[model][BitLength(static_cast<uint32_t>(distance) - 1)];
}

void Arrive(ParseScratch& scratch, int32_t at, uint64_t cost, int32_t length, int32_t distance) {
  if (cost >= scratch.cost[static_cast<size_t>(at)]) return;
  scratch.cost[static_cast<size_t>(at)] = cost;
  scratch.length[static_cast<size_t>(at)] = length;
  scratch.distance[static_cast<size_t>(at)] = distance;
}

// Every match length from 3 to the longest at `from`, each with the
// distance that costs least among the matches at least that long.
void RelaxMatches(const TreeMatch* matches, int count, int32_t from, int32_t room, const TokenPrices& prices,
                  ParseScratch& scratch) {
  const uint64_t base = scratch.cost[static_cast<size_t>(from)];
  // For each index, the cheapest of it and the later (longer) matches in the
  // long-match model, which serves every length from 9 on.
  int cheapestFrom[kMostTreeMatches];
  for (int index = count - 1; index >= 0; --index) {
    cheapestFrom[index] = index;
    if (index + 1 < count &&
        DistancePrice(prices, kDistanceModels - 1, matches[cheapestFrom[index + 1]].distance) <
            DistancePrice(prices, kDistanceModels - 1, matches[index].distance)) {
      cheapestFrom[index] = cheapestFrom[index + 1];
    }
  }
  int32_t length = kMinMatch;
  for (int index = 0; index < count; ++index) {
    const int32_t reach = std::min(matches[index].length, room);
    for (; length <= reach; ++length) {
      const int model = ModelForLength(length);
      int chosen = cheapestFrom[index];
      uint32_t distancePrice = DistancePrice(prices, model, matches[chosen].distance);
      if (model != kDistanceModels - 1) {
        for (int later = index; later < count; ++later) {
          const uint32_t price = DistancePrice(prices, model, matches[later].distance);
          if (price < distancePrice) distancePrice = price, chosen = later;
        }
      }
      Arrive(scratch, from + length, base + prices.length[static_cast<size_t>(length)] + distancePrice, length,
             matches[chosen].distance);
    }
  }
}

}  // namespace

void ParseBlock(const BlockMatches& block, int32_t count, const TokenPrices& prices, const uint8_t* data,
                ParseScratch& scratch, std::vector<ParseToken>& tokens) {
  const size_t arrivals = static_cast<size_t>(count) + 1;
  scratch.cost.assign(arrivals, kUnreached);
  scratch.length.assign(arrivals, 0);
  scratch.distance.assign(arrivals, 0);
  scratch.cost[0] = 0;
  for (int32_t at = 0; at < count; ++at) {
    Arrive(scratch, at + 1, scratch.cost[static_cast<size_t>(at)] + prices.literal[data[at]], 1, 0);
    const uint32_t first = block.first[static_cast<size_t>(at)];
    const int matches = static_cast<int>(block.first[static_cast<size_t>(at) + 1] - first);
    if (matches > 0) RelaxMatches(&block.matches[first], matches, at, count - at, prices, scratch);
  }
  tokens.clear();
  for (int32_t at = count; at > 0; at -= scratch.length[static_cast<size_t>(at)]) {
    tokens.push_back(ParseToken{scratch.length[static_cast<size_t>(at)], scratch.distance[static_cast<size_t>(at)]});
  }
  std::reverse(tokens.begin(), tokens.end());
}
