#include "document/host.h"

#include <new>

#include "document/document_error.h"

uint8_t* HeapPageHost::ReplacePageBlock(uint32_t size) {
  block_.reset();
  block_.reset(new (std::nothrow) uint8_t[size == 0 ? 1 : size]);
  if (!block_) throw DocumentError("Not enough memory for the page bitmap");
  return block_.get();
}
