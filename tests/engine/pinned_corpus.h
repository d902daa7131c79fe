// A fixed corpus for pinning the packed format: every source is generated
// here, from its own seed, so that no change elsewhere in the tests moves it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pinned_corpus {

using Bytes = std::vector<uint8_t>;

struct Source {
  std::string name;
  Bytes bytes;
};

// Sources packed under every switch pair: short edge cases, text, binary,
// long runs and records with small changes, each larger than the small
// windows.
std::vector<Source> SharedSources();
// A source a thirty-second larger than a window of 2^exponent bytes: fresh bytes,
// text and runs mixed with copies from just inside and just beyond the
// window's reach, so that matches straddle its end and candidates leave it.
Bytes BeyondWindow(int exponent);

}  // namespace pinned_corpus
