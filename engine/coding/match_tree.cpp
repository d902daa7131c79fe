#include "engine/coding/match_tree.h"

#include <cstddef>

#include "engine/bit_file.h"

namespace {

constexpr int32_t kNone = -1;
constexpr int kMinHashBits = 10;
constexpr int kMaxHashBits = 20;
constexpr int32_t kHashBytes = 3;
constexpr uint32_t kHashMultiplier = 2654435761u;

uint32_t HashAt(const MatchTree& tree, int64_t position) {
  const uint8_t* p = tree.data + position;
  const uint32_t context = p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16);
  return (context * kHashMultiplier) >> tree.hashShift;
}

// One walk of the tree of `position`'s hash: enters the position as the new
// root and, when `matches` is given, records each longer match met.
int WalkTree(MatchTree& tree, int64_t position, TreeMatch* matches) {
  if (position + kHashBytes > tree.size) return 0;
  const uint8_t* data = tree.data;
  const uint32_t hash = HashAt(tree, position);
  int64_t candidate = tree.head[hash];
  tree.head[hash] = static_cast<int32_t>(position);
  const int64_t left = tree.size - position;
  const int64_t lengthLimit = left < tree.niceLength ? left : tree.niceLength;
  int32_t* children = tree.children.data();
  int32_t* smaller = &children[2 * (position % tree.cycle)];
  int32_t* greater = smaller + 1;
  int64_t smallerLength = 0;
  int64_t greaterLength = 0;
  int64_t longest = kHashBytes - 1;
  int count = 0;
  for (int32_t depth = tree.depthLimit;; --depth) {
    const int64_t distance = position - candidate;
    if (candidate == kNone || depth == 0 || distance > tree.maxDistance) {
      *smaller = *greater = kNone;
      return count;
    }
    int32_t* pair = &children[2 * (candidate % tree.cycle)];
    int64_t length = smallerLength < greaterLength ? smallerLength : greaterLength;
    while (length < lengthLimit && data[candidate + length] == data[position + length]) ++length;
    if (length > longest) {
      longest = length;
      if (matches != nullptr && count < kMostTreeMatches) {
        matches[count++] = TreeMatch{static_cast<int32_t>(length), static_cast<int32_t>(distance)};
      }
      if (length == lengthLimit) {
        // The candidate is as good as the position for every later search,
        // which compares no further: the position takes over its subtrees.
        *smaller = pair[0];
        *greater = pair[1];
        return count;
      }
    }
    if (data[candidate + length] < data[position + length]) {
      *smaller = static_cast<int32_t>(candidate);
      smaller = &pair[1];
      candidate = *smaller;
      smallerLength = length;
    } else {
      *greater = static_cast<int32_t>(candidate);
      greater = &pair[0];
      candidate = *greater;
      greaterLength = length;
    }
  }
}

}  // namespace

void StartMatchTree(MatchTree& tree, const uint8_t* data, int64_t size, int32_t maxDistance, int32_t niceLength,
                    int32_t depthLimit) {
  tree.data = data;
  tree.size = size;
  tree.maxDistance = maxDistance;
  tree.cycle = maxDistance + 1;
  tree.niceLength = niceLength;
  tree.depthLimit = depthLimit;
  int hashBits = BitLength(static_cast<uint32_t>(maxDistance));
  if (hashBits < kMinHashBits) hashBits = kMinHashBits;
  if (hashBits > kMaxHashBits) hashBits = kMaxHashBits;
  tree.hashShift = 32 - hashBits;
  tree.head.assign(size_t{1} << hashBits, kNone);
  tree.children.assign(2 * static_cast<size_t>(tree.cycle), kNone);
}

int FindTreeMatches(MatchTree& tree, int64_t position, TreeMatch* matches) {
  return WalkTree(tree, position, matches);
}

void SkipTreePosition(MatchTree& tree, int64_t position) { WalkTree(tree, position, nullptr); }

int64_t ExtendMatch(const MatchTree& tree, int64_t position, int32_t distance) {
  int64_t length = 0;
  while (position + length < tree.size && tree.data[position + length] == tree.data[position + length - distance]) {
    ++length;
  }
  return length;
}
