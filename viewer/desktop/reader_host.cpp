// The reader's side of the document host: a failure becomes an exception
// that the page or document being read turns into a message in the window,
// and the page bitmap is ordinary heap memory.
#include <cstdlib>
#include <new>

#include "viewer/desktop/reader_document.h"
#include "document/host.h"

static uint8_t* pageBlock = nullptr;

void FailDocument(const char* text) { throw DocumentFailure(text); }

uint8_t* ReplacePageBlock(uint32_t size) {
  std::free(pageBlock);
  pageBlock = static_cast<uint8_t*>(std::malloc(size == 0 ? 1 : size));
  if (pageBlock == nullptr) throw MemoryFailure("Not enough memory for the page bitmap");
  return pageBlock;
}

void FitWindowToPage() {}
void InvalidatePage() {}
void CloseDocument() {}
