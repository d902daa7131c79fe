// What a kwen::Document handle shares: the opened bytes, their store and
// the page table, all read only once opened.
#pragma once

#include <memory>
#include <string>

#include "document/document_state.h"
#include "document/doc_file.h"
#include "document/page_state.h"
#include "kwen/document.h"
#include "library/byte_stores.h"

struct kwen::Document::Shared {
  FileKind kind = FileKind::kUnpacked;
  std::string name;
  std::unique_ptr<ByteStore> store;
  RestoreStore* restore = nullptr;  // the store, for a packed document
  DocumentState table;
  int64_t documentBytes = 0;
  int threads = 0;
  bool arriving = false;  // opened from arriving bytes, the last not yet there
};

namespace kwen {

// The headers of page `index`: a BMP file's, or a document page's after a
// walk of its records (so that a page the builds refuse is refused here).
// `hdoc` is left at a BMP file's bits.
void ReadPageFacts(const Document::Shared& shared, int32_t index, PageState& page, DocFile& hdoc, DocFile& hofs);
// The page's colour table, past any tail of a longer information header.
const RgbQuad* ColourTable(const PageState& page, int32_t* colours);

}  // namespace kwen
