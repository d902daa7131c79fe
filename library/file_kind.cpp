#include "library/file_kind.h"

#include "document/bitmap_types.h"
#include "document/document_kind.h"
#include "document/document_layout.h"

namespace {

bool HasBitmapType(const uint8_t* bytes, int64_t size) {
  return size >= 2 && (bytes[0] | bytes[1] << 8) == kBitmapType;
}

}  // namespace

bool HasDocumentLabel(const uint8_t* bytes, int64_t size) {
  if (size < static_cast<int64_t>(kLabelBytes)) return false;
  return LabelIs(bytes, kDocumentLabel) || IsOldDocumentLabel(bytes);
}

FileKind RecogniseFile(const char* path, const uint8_t* bytes, int64_t size) {
  if (IsPackedDocumentName(path)) return FileKind::kPacked;
  if (HasDocumentLabel(bytes, size)) return FileKind::kUnpacked;
  if (HasBitmapType(bytes, size)) return FileKind::kBitmap;
  return FileKind::kOther;
}
