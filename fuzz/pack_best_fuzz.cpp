// Arbitrary bytes packed by the cheapest parse must restore exactly, under
// every window and search switch the first byte picks.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "engine/best_pack.h"
#include "engine/memory_pack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const char searches[] = "TSGFQ";
  const char sizes[] = "HLM21CST";
  const Switches switches{SearchExponentFor(searches[data[0] % 5]), WindowExponentFor(sizes[(data[0] / 5) % 8])};
  const std::vector<uint8_t> packed = PackBytesBest(data + 1, size - 1, switches);
  const UnpackResult back = UnpackBytes(packed.data(), packed.size());
  if (back.end != DecodeEnd::kEndMark || back.bytes.size() != size - 1 ||
      !std::equal(back.bytes.begin(), back.bytes.end(), data + 1)) {
    std::abort();
  }
  return 0;
}
