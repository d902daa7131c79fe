// Arbitrary bytes as an unpacked document: every page builds or fails with a
// message, never reading or writing outside the page bitmap or a buffer.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>

#include "document/document_format.h"
#include "document/document_state.h"
#include "document/host.h"
#include "document/page_loader.h"
#include "document/page_state.h"

namespace {
struct Refused {};
constexpr uint32_t kLargestFuzzedPage = 1u << 20;
constexpr int32_t kPagesTried = 4;
std::unique_ptr<uint8_t[]> block;
}  // namespace

void FailDocument(const char*) { throw Refused{}; }
uint8_t* ReplacePageBlock(uint32_t size) {
  if (size > kLargestFuzzedPage) throw Refused{};
  block.reset(new uint8_t[size == 0 ? 1 : size]);
  return block.get();
}
void FitWindowToPage() {}
void InvalidatePage() {}
void CloseDocument() {}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  block.reset();
  pDibBits = nullptr;
  iDibBytes = 0;
  DocFile hdoc, hofs;
  OpenMemoryDocFile(hdoc, data, static_cast<int64_t>(size));
  OpenMemoryDocFile(hofs, data, static_cast<int64_t>(size));
  try {
    ReadDocumentTable(hdoc);
  } catch (const Refused&) {
    return 0;
  }
  for (int32_t page = 0; page < iPageCount && page < kPagesTried; ++page) {
    try {
      iCurPage = page;
      LoadPage(hdoc, hofs, page);
    } catch (const Refused&) {
    }
  }
  return 0;
}
