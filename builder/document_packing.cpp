#include "builder/document_packing.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "engine/best_pack.h"
#include "engine/memory_pack.h"

namespace {

constexpr int kPackingFailed = 1;

}  // namespace

std::vector<uint8_t> PackBestChecked(const std::vector<uint8_t>& bytes, const Switches& switches) {
  const bool terminal = isatty(fileno(stderr)) != 0;
  if (terminal) std::fprintf(stderr, "packing best    ");
  std::vector<uint8_t> packed = PackBytesBest(bytes.data(), bytes.size(), switches, terminal ? stderr : nullptr);
  if (terminal) std::fprintf(stderr, "\n");
  const UnpackResult restored = UnpackBytes(packed.data(), packed.size());
  if (restored.end != DecodeEnd::kEndMark || restored.bytes != bytes) {
    std::fprintf(stderr, "kwentool: internal error: the best packing does not restore the document\n");
    std::exit(kPackingFailed);
  }
  return packed;
}
