// The console tool's side of the document host: failures are messages on
// standard error, and the page bitmap is ordinary heap memory.
#include <cstdio>
#include <cstdlib>

#include "document/host.h"

static uint8_t* pageBlock = nullptr;

void FailDocument(const char* text) {
  std::fprintf(stderr, "kwentool: %s\n", text);
  std::exit(1);
}

uint8_t* ReplacePageBlock(uint32_t size) {
  std::free(pageBlock);
  pageBlock = static_cast<uint8_t*>(std::malloc(size == 0 ? 1 : size));
  if (pageBlock == nullptr) FailDocument("Not enough memory for the page bitmap");
  return pageBlock;
}

void FitWindowToPage() {}
void InvalidatePage() {}
void CloseDocument() {}
