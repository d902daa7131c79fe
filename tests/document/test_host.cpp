#include "tests/document/test_host.h"

#include <memory>

#include "document/document_state.h"
#include "document/host.h"
#include "document/page_state.h"

HostRecord hostRecord;
static std::unique_ptr<uint8_t[]> block;

void FailDocument(const char* text) { throw DocumentFailure(text); }

uint8_t* ReplacePageBlock(uint32_t size) {
  block.reset(new uint8_t[size == 0 ? 1 : size]);
  hostRecord.blockSizes.push_back(size);
  return block.get();
}

void FitWindowToPage() { ++hostRecord.fits; }
void InvalidatePage() { ++hostRecord.invalidations; }
void CloseDocument() { ++hostRecord.closes; }

void ResetHost() {
  hostRecord = HostRecord{};
  block.reset();
  pDibBits = nullptr;
  iDibBytes = 0;
  iFittedWidth = 0;
  iFittedHeight = 0;
  iPageCount = 0;
  iCurPage = 0;
}
