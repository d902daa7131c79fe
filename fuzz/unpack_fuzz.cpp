// Arbitrary bytes as a packed stream must restore without reading or
// writing outside the window; and packing them must restore them exactly.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>

#include "engine/memory_pack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr int64_t kRestoreLimit = 1 << 16;
  UnpackResult restored = UnpackBytes(data, size, kRestoreLimit);
  if (restored.bytes.size() > kRestoreLimit) std::abort();
  if (size > 0) {
    // The first byte picks the switches, so that small windows wrap.
    const char searches[] = "TSGFQ";
    const char sizes[] = "HLM21CST";
    Switches switches{SearchExponentFor(searches[data[0] % 5]), WindowExponentFor(sizes[(data[0] / 5) % 8])};
    std::vector<uint8_t> packed = PackBytes(data + 1, size - 1, switches);
    UnpackResult back = UnpackBytes(packed.data(), packed.size());
    if (back.end != DecodeEnd::kEndMark || back.bytes.size() != size - 1 ||
        !std::equal(back.bytes.begin(), back.bytes.end(), data + 1)) {
      std::abort();
    }
  }
  return 0;
}
