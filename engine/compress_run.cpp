#include "engine/compress_run.h"

#include "engine/coding/match_finder.h"
#include "engine/fail.h"
#include "engine/platform_io.h"

static int32_t EffectiveWindow(int32_t windowSize) {
  return windowSize == 0 ? kEmptyWindowSize : windowSize;
}

// A negative ring budget is the window's share with the allowance.
static void AllocateOrFail(LzBuffer& lz, int32_t windowSize, int32_t searchLimit, int64_t ringBudget) {
  const int32_t size = EffectiveWindow(windowSize);
  const int64_t budget = ringBudget < 0 ? RingBudgetFor(size, RingAllowanceFor(searchLimit)) : ringBudget;
  if (!AllocateMatchTables(lz, size, searchLimit, budget)) {
    FailCoded(exitcode::kFailure, msg::kNoLzMemory);
  }
}

void OpenSource(LzBuffer& lz, const char* name, int32_t windowSize, int32_t searchLimit) {
  lz.source.stream = OpenSourceStream(name);
  if (lz.source.stream == nullptr) FailCoded(exitcode::kFailure, msg::kCantOpenSource);
  if (std::setvbuf(lz.source.stream, nullptr, _IONBF, 0) != 0) {
    FailCoded(exitcode::kFailure, msg::kNoSourceBuffer);
  }
  AllocateOrFail(lz, windowSize, searchLimit, -1);
  StartMatchFinder(lz, searchLimit);
}

void OpenMemorySource(LzBuffer& lz, const uint8_t* data, uint64_t size, int32_t windowSize,
                      int32_t searchLimit, int64_t ringBudget) {
  lz.source.stream = nullptr;
  lz.source.next = data;
  lz.source.end = data + size;
  AllocateOrFail(lz, windowSize, searchLimit, ringBudget);
  StartMatchFinder(lz, searchLimit);
}

void ReleaseSource(LzBuffer& lz) {
  ReleaseMatchTables(lz);
  if (lz.source.stream != nullptr) std::fclose(lz.source.stream);
  lz.source.stream = nullptr;
  lz.source.next = lz.source.end = nullptr;
}

void CompressRun(BitFile& packed, LzBuffer& lz, HpModel& hp, HlModel (&hl)[kDistanceModels],
                 int64_t sourceSize, FILE* progressStream) {
  ProgressCounter progress;
  StartProgress(progress, sourceSize, progressStream);
  Token token;
  while (FindToken(lz, &token)) {
    CountProgress(progress, token.length);
    if (token.length == 1) {
      EncodeHp(hp, token.byte, packed);
      continue;
    }
    uint32_t symbol = static_cast<uint32_t>(token.length) + kLengthBias;
    EncodeHp(hp, symbol, packed);
    EncodeHl(hl[DistanceModelFor(symbol)], static_cast<uint32_t>(token.distance) - 1, packed);
  }
  EncodeEndHp(hp, packed);
  CompleteProgress(progress);
}
