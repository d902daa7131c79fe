// The fast match finder against the plain walk that defines the parse: the
// first byte picks the switches and how many rings of recent candidates the
// fast finder has, the rest is the source; any token that differs is a crash.
#include <cstdint>
#include <cstdlib>

#include "tests/engine/coding/reference_finder.h"
#include "engine/compress_run.h"
#include "engine/coding/match_finder.h"
#include "engine/run_parameters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const char kSearch[] = "TSGFQ";
  static const char kSize[] = "HLM21CST";
  const Switches switches{SearchExponentFor(kSearch[data[0] % 5]), WindowExponentFor(kSize[(data[0] / 5) % 8])};
  const uint8_t* source = data + 1;
  const uint64_t length = size - 1;
  const WindowChoice window = ChooseWindow(static_cast<int64_t>(length), switches.windowExponent);
  const int32_t limit = int32_t{1} << switches.searchExponent;
  // As many rings as the window allows, one, or a few.
  static const int64_t kRingBudgets[] = {-1, 1, 6144};
  LzBuffer fast;
  OpenMemorySource(fast, source, length, window.size, limit, kRingBudgets[(data[0] / 40) % 3]);
  ReferenceFinder reference;
  StartReferenceFinder(reference, source, length, window.size, limit);
  for (;;) {
    Token got{0, 0, 0};
    Token want{0, 0, 0};
    const bool more = FindToken(fast, &got);
    if (more != ReferenceFindToken(reference, &want)) std::abort();
    if (!more) break;
    if (got.length != want.length) std::abort();
    if (got.length == 1 ? got.byte != want.byte : got.distance != want.distance) std::abort();
  }
  ReleaseSource(fast);
  return 0;
}
