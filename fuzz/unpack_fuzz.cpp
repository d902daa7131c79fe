// Arbitrary bytes as a packed stream must restore without reading or
// writing outside the window, and alike whether they are there at once or
// arrive in pieces; packing them must restore them exactly.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>

#include "engine/memory_pack.h"

namespace {

// The stream restored as its bytes arrive, in pieces whose sizes the bytes
// themselves pick; `stream` grows as a download's buffer does.
UnpackResult UnpackArriving(const uint8_t* data, size_t size, int64_t limit) {
  std::vector<uint8_t> stream;
  MemoryUnpack unpack;
  bool started = false;
  for (size_t at = 0; at < size || !started;) {
    const size_t piece = std::min<size_t>(size - at, 1 + (size > 0 ? data[at % size] * 29u % 3000u : 0));
    stream.insert(stream.end(), data + at, data + at + piece);
    at += piece;
    const bool complete = at == size;
    if (!started) {
      StartUnpack(unpack, stream.data(), stream.size(), limit);
      started = true;
    }
    ExtendUnpack(unpack, stream.data(), stream.size(), complete);
    ContinueUnpack(unpack, INT64_MAX);
  }
  UnpackResult result = std::move(unpack.result);
  ReleaseUnpack(unpack);
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr int64_t kRestoreLimit = 1 << 16;
  UnpackResult restored = UnpackBytes(data, size, kRestoreLimit);
  if (restored.bytes.size() > kRestoreLimit) std::abort();
  const UnpackResult arriving = UnpackArriving(data, size, kRestoreLimit);
  if (arriving.end != restored.end || arriving.bytes != restored.bytes) std::abort();
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
