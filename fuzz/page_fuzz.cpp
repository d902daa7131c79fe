// Arbitrary bytes as an unpacked document: every page builds, whole or
// scaled down through the public interface, or fails with a message, never
// reading or writing outside the page bitmap or a buffer.
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
#include "kwen/document.h"

namespace {
constexpr uint32_t kLargestFuzzedPage = 1u << 20;
constexpr int32_t kPagesTried = 4;
constexpr double kScales[] = {1.0, 0.5, 0.3, 0.07};

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
void ScaleThroughInterface(const uint8_t* data, size_t size) {
  try {
    kwen::OpenOptions options;
    options.threads = 2;
    const kwen::Document opened =
        kwen::Document::FromBytes(std::vector<uint8_t>(data, data + size), "fuzzed.bs", options);
    for (int32_t index = 0; index < opened.PageCount() && index < kPagesTried; ++index) {
      try {
        const kwen::PageInfo info = opened.Page(index);
        if (static_cast<uint64_t>(info.width) * static_cast<uint64_t>(info.height) > kLargestFuzzedPage) continue;
        kwen::Scaling scaling;
        scaling.scale = kScales[data[size - 1] % std::size(kScales)];
        const kwen::Bitmap whole = opened.BuildScaled(index, scaling);
        scaling.area = {whole.width / 2, whole.height / 3, (whole.width + 1) / 2, 1};
        opened.BuildScaled(index, scaling);
      } catch (const kwen::Error&) {
      }
    }
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
  ScaleThroughInterface(data, size);
  return 0;
}
