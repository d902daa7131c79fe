// Arbitrary bytes as an unpacked document, and packed (whole or cut short):
// every page builds, whole or scaled down through the public interface, or
// fails with a message, never reading or writing outside the page bitmap or
// a buffer.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "document/document_error.h"
#include "document/document_format.h"
#include "document/document_state.h"
#include "document/host.h"
#include "document/page_loader.h"
#include "document/page_state.h"
#include "engine/memory_pack.h"
#include "kwen/document.h"

namespace {
constexpr uint32_t kLargestFuzzedPage = 1u << 20;
constexpr int32_t kPagesTried = 4;
constexpr double kScales[] = {1.0, 0.5, 0.3, 0.07};
// A packed copy is cut to a number of eighths of itself (eight: whole).
constexpr uint32_t kCuts = 8;

// Pages larger than the fuzzer's memory allows are refused as failures are.
class FuzzHost : public HeapPageHost {
 public:
  uint8_t* ReplacePageBlock(uint32_t size) override {
    if (size > kLargestFuzzedPage) throw DocumentError("too large for the fuzzer");
    return HeapPageHost::ReplacePageBlock(size);
  }
};
}  // namespace

namespace {

// Each page the loader would build within the fuzzer's memory, scaled at a
// scale the last byte picks, whole and in part, on two threads.
void ScalePages(const kwen::Document& opened, uint8_t pick) {
  for (int32_t index = 0; index < opened.PageCount() && index < kPagesTried; ++index) {
    try {
      const kwen::PageInfo info = opened.Page(index);
      if (static_cast<uint64_t>(info.width) * static_cast<uint64_t>(info.height) > kLargestFuzzedPage) continue;
      kwen::Scaling scaling;
      scaling.scale = kScales[pick % std::size(kScales)];
      const kwen::Bitmap whole = opened.BuildScaled(index, scaling);
      scaling.area = {whole.width / 2, whole.height / 3, (whole.width + 1) / 2, 1};
      opened.BuildScaled(index, scaling);
    } catch (const kwen::Error&) {
    }
  }
}

// The bytes through the public interface: as they are, and packed, cut
// where the first byte says, restored into memory or a temporary file.
void ThroughInterface(const uint8_t* data, size_t size) {
  kwen::OpenOptions options;
  options.threads = 2;
  try {
    ScalePages(kwen::Document::FromBytes(std::vector<uint8_t>(data, data + size), "fuzzed.bs", options), data[size - 1]);
  } catch (const kwen::Error&) {
  }
  std::vector<uint8_t> packed = PackBytes(data, size, Switches{});
  packed.resize(packed.size() * (data[0] % kCuts + 1) / kCuts);
  options.restoreToFile = (data[0] & 1) != 0;
  try {
    kwen::Document opened = kwen::Document::FromBytes(std::move(packed), "fuzzed.kwen", options);
    ScalePages(opened, data[size - 1]);
    opened.Restore(INT64_MAX);
    opened.Progress();
  } catch (const kwen::Error&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DocumentState document;
  PageState page;
  FuzzHost host;
  DocFile hdoc, hofs;
  OpenMemoryDocFile(hdoc, data, static_cast<int64_t>(size));
  OpenMemoryDocFile(hofs, data, static_cast<int64_t>(size));
  try {
    ReadDocumentTable(document, host, hdoc);
  } catch (const DocumentError&) {
    return 0;
  }
  for (int32_t index = 0; index < document.pageCount && index < kPagesTried; ++index) {
    try {
      document.currentPage = index;
      LoadPage(document, page, host, hdoc, hofs, index);
    } catch (const DocumentError&) {
    }
  }
  if (size > 0) ThroughInterface(data, size);
  return 0;
}
