#include "document/document_format.h"

#include "document/document_error.h"

int ReadUnsignedNumber(DocFile& file, uint32_t* value, const char* message) {
  const int count = DecodeUnsignedNumber(
      [&file, message] {
        uint8_t byte;
        if (!GatherRead(file, &byte, 1)) throw DocumentError(message);
        return byte;
      },
      value);
  if (count == 0) throw DocumentError(message);
  return count;
}

int ReadSignedNumber(DocFile& file, int32_t* value, const char* message) {
  uint32_t number;
  int count = ReadUnsignedNumber(file, &number, message);
  *value = SignedFromNumber(number);
  return count;
}

void ReadDocumentTable(DocumentState& document, DocumentHost& host, DocFile& hdoc) {
  uint8_t label[kLabelBytes];
  if (!GatherRead(hdoc, label, sizeof label)) throw DocumentError("Error read of KWEN label");
  if (!LabelIs(label, kDocumentLabel)) {
    const bool old = IsOldDocumentLabel(label);
    host.CloseDocument();
    throw DocumentError(old ? "Not supported old KWEN file format" : "Read label Failed");
  }
  int32_t count = 0;
  for (;;) {
    int32_t size;
    static_assert(sizeof size == kTableEntryBytes, "a table entry is read whole");
    if (!GatherRead(hdoc, &size, sizeof size)) throw DocumentError("Read table Failed");
    if (size == kTableEnd) break;
    if (count == kMaxPages) throw DocumentError("The page table holds more than 999 pages");
    if (size < 0) throw DocumentError("The page table holds a negative page size");
    document.pageOffsets[count++] = size;
  }
  if (count == 0) throw DocumentError("The document has no pages");
  document.pageCount = count;
  if (!PageOffsetsFromSizes(document.pageOffsets, count, FirstPageOffset(count))) {
    throw DocumentError("The document unpacks to more than 2 GiB");
  }
  document.currentPage = 0;
}
