// The reader's document host: the page bitmap is ordinary heap memory, and
// the want of it a failure whose text is plain already.
#include <new>

#include "viewer/desktop/reader_document.h"

uint8_t* ReaderPageHost::ReplacePageBlock(uint32_t size) {
  block_.reset();
  block_.reset(new (std::nothrow) uint8_t[size == 0 ? 1 : size]);
  if (!block_) throw MemoryFailure("Not enough memory for the page bitmap");
  return block_.get();
}
