#include "library/open_document.h"

#include <utility>

#include "document/document_error.h"
#include "document/document_format.h"

namespace {

// Packed bits a stream that runs out may leave unread: the start of the
// code it could not finish.
constexpr uint64_t kUnfinishedCodeBits = 64;
constexpr uint64_t kBitsPerByte = 8;

void RestoreFile(DocFile& file, int64_t wanted) {
  KwenDocument& document = *static_cast<KwenDocument*>(file.restoreSource);
  RestoreUpTo(document, wanted);
  file.memory = document.unpack->result.bytes.data();
  file.memorySize = static_cast<int64_t>(document.unpack->result.bytes.size());
}

void OpenPacked(KwenDocument& document) {
  document.unpack = std::make_unique<MemoryUnpack>();
  StartUnpack(*document.unpack, document.bytes, static_cast<uint64_t>(document.size), INT32_MAX);
  if (!document.unpack->result.hasHeader) throw DocumentError("Unpack file error");
  OpenRestoredDocFile(document.hdoc, RestoreFile, &document);
  OpenRestoredDocFile(document.hofs, RestoreFile, &document);
}

// True when restoring stopped because the packed data ran out (a file cut
// short), not at a code that makes no sense or an early end mark (damage).
bool StreamRanOut(const MemoryUnpack& unpack) {
  return unpack.result.end == DecodeEnd::kCutShort &&
         BitsConsumed(unpack.packed) + kUnfinishedCodeBits >= unpack.packedSize * kBitsPerByte;
}

}  // namespace

KwenDocument::~KwenDocument() {
  if (unpack) ReleaseUnpack(*unpack);
}

void OpenKwenDocument(KwenDocument& document, DocumentHost& host, const char* path, const uint8_t* bytes,
                      int64_t size) {
  document.bytes = bytes;
  document.size = size;
  document.kind = RecogniseFile(path, bytes, size);
  switch (document.kind) {
    case FileKind::kPacked:
      OpenPacked(document);
      break;
    case FileKind::kUnpacked:
      OpenMemoryDocFile(document.hdoc, bytes, size);
      OpenMemoryDocFile(document.hofs, bytes, size);
      break;
    case FileKind::kBitmap:
      document.bitmap = true;
      document.table.pageCount = 1;
      return;
    case FileKind::kOther:
      return;
  }
  ReadDocumentTable(document.table, host, document.hdoc);
  document.documentBytes = document.table.pageOffsets[document.table.pageCount];
  // Nothing past the last page is ever read.
  if (document.unpack) SetUnpackLimit(*document.unpack, document.documentBytes);
}

void OpenKwenDocument(KwenDocument& document, DocumentHost& host, const char* path, std::vector<uint8_t> file) {
  document.ownBytes = std::move(file);
  OpenKwenDocument(document, host, path, document.ownBytes.data(), static_cast<int64_t>(document.ownBytes.size()));
}

int64_t RestoredBytes(const KwenDocument& document) {
  if (document.unpack) return static_cast<int64_t>(document.unpack->result.bytes.size());
  return document.size;
}

void RestoreUpTo(KwenDocument& document, int64_t wanted) {
  if (!document.unpack) return;
  MemoryUnpack& unpack = *document.unpack;
  const bool wasCut = unpack.result.end == DecodeEnd::kCutShort;
  ContinueUnpack(unpack, wanted);
  if (!wasCut && unpack.result.end == DecodeEnd::kCutShort && document.streamCut) document.streamCut();
}

bool RestoreStopped(const KwenDocument& document) {
  if (!document.unpack || RestoredBytes(document) >= document.documentBytes) return true;
  const DecodeEnd end = document.unpack->result.end;
  return end != DecodeEnd::kNone && end != DecodeEnd::kPaused;
}

RestoreEnd HowRestoreEnded(const KwenDocument& document) {
  if (!document.unpack || RestoredBytes(document) >= document.documentBytes) return RestoreEnd::kWhole;
  if (document.unpack->result.end == DecodeEnd::kOverLimit) return RestoreEnd::kTooLarge;
  return StreamRanOut(*document.unpack) ? RestoreEnd::kCutShort : RestoreEnd::kDamaged;
}

int32_t PagesRestored(const KwenDocument& document) {
  const int64_t restored = RestoredBytes(document);
  int32_t pages = 0;
  while (pages < document.table.pageCount && document.table.pageOffsets[pages + 1] <= restored) ++pages;
  return pages;
}
