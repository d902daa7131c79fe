// What a document stores after its last page (its text), and the whole
// unpacked document for tools that copy it.
#include <algorithm>

#include "document/document_layout.h"
#include "kwen/document.h"
#include "library/document_shared.h"

namespace kwen {

namespace {

// The end of everything stored: past the pages, a packed document is
// restored until its stream ends, but never more than the text may take.
int64_t StoredEnd(Document::Shared& shared) {
  const int64_t limit = shared.documentBytes + kLargestTextBytes + 1;
  const int64_t there = shared.store->Reach(limit);
  if (there >= limit) throw Error("The document's text is larger than it may be");
  if (shared.restore == nullptr) return there;
  shared.restore->AllowPast(limit);
  const int64_t restored = shared.store->Reach(limit);
  if (restored >= limit) throw Error("The document's text is larger than it may be");
  switch (shared.restore->StreamEnd()) {
    case DecodeEnd::kEndMark:
    case DecodeEnd::kOverLimit: return restored;  // the stream's own limit, 2 GiB
    default: break;
  }
  if (restored < shared.documentBytes) throw Error("The document is cut short or damaged before its text");
  throw Error("The document's text cannot be restored: the packed data is cut short or damaged");
}

std::vector<uint8_t> StoredBytes(const Document::Shared& shared, int64_t from, int64_t to) {
  std::vector<uint8_t> bytes(static_cast<size_t>(to - from));
  constexpr int64_t kReadBytes = int64_t{1} << 20;
  for (int64_t at = from; at < to; at += kReadBytes) {
    const uint32_t count = static_cast<uint32_t>(std::min(kReadBytes, to - at));
    if (!shared.store->ReadAt(at, bytes.data() + (at - from), count)) throw Error(shared.name + " cannot be read");
  }
  return bytes;
}

}  // namespace

DocumentText Document::Text() const {
  Shared& shared = *shared_;
  if (shared.kind == FileKind::kBitmap) return {};
  const int64_t end = StoredEnd(shared);
  if (end <= shared.documentBytes) return {};
  if (end - shared.documentBytes > kLargestTextBytes) throw Error("The document's text is larger than it may be");
  const std::vector<uint8_t> stored = StoredBytes(shared, shared.documentBytes, end);
  return DecodeText(stored.data(), stored.size(), shared.table.pageCount);
}

std::vector<uint8_t> Document::Unpacked() const {
  Shared& shared = *shared_;
  if (shared.kind == FileKind::kBitmap) throw Error(shared.name + " is a picture, not a document");
  const int64_t end = StoredEnd(shared);
  if (end < shared.documentBytes) throw Error(shared.name + " is cut short: its pages are not all there");
  return StoredBytes(shared, 0, end);
}

}  // namespace kwen
