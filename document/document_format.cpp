#include "document/document_format.h"

#include "document/document_state.h"
#include "document/host.h"

int ReadUnsignedNumber(DocFile& file, uint32_t* value, const char* message) {
  const int count = DecodeUnsignedNumber(
      [&file, message] {
        uint8_t byte;
        if (!GatherRead(file, &byte, 1)) FailDocument(message);
        return byte;
      },
      value);
  if (count == 0) FailDocument(message);
  return count;
}

int ReadSignedNumber(DocFile& file, int32_t* value, const char* message) {
  uint32_t number;
  int count = ReadUnsignedNumber(file, &number, message);
  *value = SignedFromNumber(number);
  return count;
}

void ReadDocumentTable(DocFile& hdoc) {
  uint8_t label[kLabelBytes];
  if (!GatherRead(hdoc, label, sizeof label)) FailDocument("Error read of KWEN label");
  if (!LabelIs(label, kDocumentLabel)) {
    const bool old = IsOldDocumentLabel(label);
    CloseDocument();
    FailDocument(old ? "Not supported old KWEN file format" : "Read label Failed");
  }
  int32_t count = 0;
  for (;;) {
    int32_t size;
    static_assert(sizeof size == kTableEntryBytes, "a table entry is read whole");
    if (!GatherRead(hdoc, &size, sizeof size)) FailDocument("Read table Failed");
    if (size == kTableEnd) break;
    if (count == kMaxPages) FailDocument("The page table holds more than 999 pages");
    if (size < 0) FailDocument("The page table holds a negative page size");
    aPageOffset[count++] = size;
  }
  if (count == 0) FailDocument("The document has no pages");
  iPageCount = count;
  if (!PageOffsetsFromSizes(aPageOffset, count, FirstPageOffset(count))) {
    FailDocument("The document unpacks to more than 2 GiB");
  }
  iCurPage = 0;
}
