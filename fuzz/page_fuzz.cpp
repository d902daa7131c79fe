// Arbitrary bytes as an unpacked document: every page builds or fails with a
// message, never reading or writing outside the page bitmap or a buffer.
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "document/document_error.h"
#include "document/document_format.h"
#include "document/document_state.h"
#include "document/host.h"
#include "document/page_loader.h"
#include "document/page_state.h"

namespace {
constexpr uint32_t kLargestFuzzedPage = 1u << 20;
constexpr int32_t kPagesTried = 4;

// Pages larger than the fuzzer's memory allows are refused as failures are.
class FuzzHost : public HeapPageHost {
 public:
  uint8_t* ReplacePageBlock(uint32_t size) override {
    if (size > kLargestFuzzedPage) throw DocumentError("too large for the fuzzer");
    return HeapPageHost::ReplacePageBlock(size);
  }
};
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
  return 0;
}
