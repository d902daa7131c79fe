#include "engine/memory_pack.h"

#include <utility>

#include "engine/bit_file.h"
#include "engine/compress_run.h"
#include "engine/decompress_run.h"
#include "engine/fail.h"

constexpr unsigned kHeaderBits = 5;

namespace {

// What a packing run holds. A failure throws, and the process that called
// goes on: the parts are released on the way out as well.
struct PackParts {
  BitFile packed;
  LzBuffer lz;
  HpModel hp;
  HlModel hl[kDistanceModels];
};

void PackInto(PackParts& parts, std::vector<uint8_t>& out, const uint8_t* data, uint64_t size,
              const Switches& switches) {
  OpenBitFileForMemoryWrite(parts.packed, &out);
  WindowChoice window = ChooseWindow(static_cast<int64_t>(size), switches.windowExponent);
  OpenMemorySource(parts.lz, data, size, window.size, int32_t{1} << switches.searchExponent);
  BuildHp(parts.hp);
  BuildDistanceModels(parts.hl, window.exponent);
  WriteBits(parts.packed, static_cast<uint32_t>(window.exponent) & 0x1Fu, kHeaderBits);
  CompressRun(parts.packed, parts.lz, parts.hp, parts.hl, static_cast<int64_t>(size), nullptr);
  Finish(parts.packed);
}

void ReleaseParts(PackParts& parts) {
  ReleaseDistanceModels(parts.hl);
  ReleaseHp(parts.hp);
  ReleaseSource(parts.lz);
  ReleaseBitFile(parts.packed);
}

}  // namespace

std::vector<uint8_t> PackBytes(const uint8_t* data, uint64_t size, const Switches& switches) {
  if (size > static_cast<uint64_t>(kLargestSource)) FailCoded(exitcode::kFailure, msg::kSourceTooLarge);
  std::vector<uint8_t> out;
  PackParts parts;
  try {
    PackInto(parts, out, data, size, switches);
  } catch (...) {
    ReleaseParts(parts);
    throw;
  }
  ReleaseParts(parts);
  return out;
}

void StartUnpack(MemoryUnpack& unpack, const uint8_t* data, uint64_t size, int64_t limit) {
  ByteSink sink;
  sink.memory = &unpack.result.bytes;
  StartUnpack(unpack, data, size, limit, sink);
}

void StartUnpack(MemoryUnpack& unpack, const uint8_t* data, uint64_t size, int64_t limit, const ByteSink& sink) {
  unpack.packedSize = size;
  unpack.largestLimit = limit;
  OpenBitFileForMemoryRead(unpack.packed, data, size);
  BuildHp(unpack.hp);
  uint32_t exponent = 0;
  if (ReadBits(unpack.packed, &exponent, kHeaderBits) == 0) {
    unpack.result.end = DecodeEnd::kCutShort;
    return;
  }
  unpack.result.hasHeader = true;
  int64_t window = RestoreWindowFor(exponent);
  if (limit < window) window = limit;
  OpenSinkTarget(unpack.lz, sink, window < kEmptyWindowSize ? kEmptyWindowSize : static_cast<int32_t>(window));
  unpack.lz.restoreLimit = limit;
  BuildDistanceModels(unpack.hl, static_cast<int>(exponent));
}

void ContinueUnpack(MemoryUnpack& unpack, int64_t wanted) {
  DecodeEnd& end = unpack.result.end;
  if (!unpack.result.hasHeader || (end != DecodeEnd::kNone && end != DecodeEnd::kPaused)) return;
  if (unpack.lz.restoredCount >= wanted) return;
  end = DecompressRun(unpack.lz, unpack.packed, unpack.hp, unpack.hl, static_cast<int64_t>(unpack.packedSize),
                      nullptr, wanted);
  if (end != DecodeEnd::kPaused) FlushRestored(unpack.lz);
}

void SetUnpackLimit(MemoryUnpack& unpack, int64_t limit) {
  const int64_t restored = unpack.lz.restoredCount;
  if (limit > unpack.largestLimit) limit = unpack.largestLimit;
  unpack.lz.restoreLimit = limit < restored ? restored : limit;
  if (unpack.result.end == DecodeEnd::kOverLimit && unpack.lz.restoreLimit > restored) {
    unpack.result.end = DecodeEnd::kPaused;
  }
}

void ExtendUnpack(MemoryUnpack& unpack, const uint8_t* packed, uint64_t size, bool complete) {
  // More than the reads a token can start (each takes a buffer) and the
  // bytes of its codes.
  constexpr uint64_t kArrivingMargin = uint64_t{16} << 10;
  BitFile& file = unpack.packed;
  file.memoryIn = packed;
  file.memoryInSize = size;
  file.memoryInHorizon = complete ? UINT64_MAX : size > kArrivingMargin ? size - kArrivingMargin : 0;
  unpack.packedSize = size;
}

void ReleaseUnpack(MemoryUnpack& unpack) {
  if (unpack.result.hasHeader) {
    ReleaseDistanceModels(unpack.hl);
    ReleaseTarget(unpack.lz);
  }
  ReleaseHp(unpack.hp);
  ReleaseBitFile(unpack.packed);
}

UnpackResult UnpackBytes(const uint8_t* data, uint64_t size, int64_t limit) {
  MemoryUnpack unpack;
  try {
    StartUnpack(unpack, data, size, limit);
    ContinueUnpack(unpack, INT64_MAX);
  } catch (...) {
    ReleaseUnpack(unpack);
    throw;
  }
  ReleaseUnpack(unpack);
  return std::move(unpack.result);
}
