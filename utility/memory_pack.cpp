#include "utility/memory_pack.h"

#include "utility/bit_file.h"
#include "utility/compress_run.h"
#include "utility/decompress_run.h"
#include "utility/fail.h"

constexpr unsigned kHeaderBits = 5;

std::vector<uint8_t> PackBytes(const uint8_t* data, uint64_t size, const Switches& switches) {
  if (size > static_cast<uint64_t>(kLargestSource)) FailCoded(exitcode::kFailure, msg::kSourceTooLarge);
  std::vector<uint8_t> out;
  BitFile packed;
  OpenBitFileForMemoryWrite(packed, &out);
  WindowChoice window = ChooseWindow(static_cast<int64_t>(size), switches.windowExponent);
  LzBuffer lz;
  OpenMemorySource(lz, data, size, window.size, int32_t{1} << switches.searchExponent);
  HpModel hp;
  BuildHp(hp);
  HlModel hl[kDistanceModels];
  BuildDistanceModels(hl, window.exponent);
  WriteBits(packed, static_cast<uint32_t>(window.exponent) & 0x1Fu, kHeaderBits);
  CompressRun(packed, lz, hp, hl, static_cast<int64_t>(size), nullptr);
  Finish(packed);
  ReleaseDistanceModels(hl);
  ReleaseHp(hp);
  ReleaseSource(lz);
  ReleaseBitFile(packed);
  return out;
}

UnpackResult UnpackBytes(const uint8_t* data, uint64_t size, int64_t limit) {
  UnpackResult result{false, DecodeEnd::kCutShort, {}};
  BitFile packed;
  OpenBitFileForMemoryRead(packed, data, size);
  uint32_t exponent = 0;
  if (ReadBits(packed, &exponent, kHeaderBits) == 0) {
    ReleaseBitFile(packed);
    return result;
  }
  result.hasHeader = true;
  // No distance the models can decode exceeds 2^e, so a window of twice that
  // restores exactly what the full window would, in less memory.
  int32_t window = exponent + 1 < 24 ? int32_t{1} << (exponent + 1) : kRestoreWindowSize;
  LzBuffer lz;
  OpenMemoryTarget(lz, &result.bytes, window < kEmptyWindowSize ? kEmptyWindowSize : window);
  lz.restoreLimit = limit;
  HpModel hp;
  BuildHp(hp);
  HlModel hl[kDistanceModels];
  BuildDistanceModels(hl, static_cast<int>(exponent));
  result.end = DecompressRun(lz, packed, hp, hl, static_cast<int64_t>(size), nullptr);
  ReleaseDistanceModels(hl);
  ReleaseHp(hp);
  ReleaseTarget(lz);
  ReleaseBitFile(packed);
  return result;
}
