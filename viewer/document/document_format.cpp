#include "viewer/document/document_format.h"

#include <cstring>

#include "viewer/document/document_state.h"
#include "viewer/document/host.h"

namespace {

constexpr uint32_t LabelOf(const char (&text)[5]) {
  return uint32_t(uint8_t(text[0])) | uint32_t(uint8_t(text[1])) << 8 |
         uint32_t(uint8_t(text[2])) << 16 | uint32_t(uint8_t(text[3])) << 24;
}

constexpr uint32_t kLabel = LabelOf("KNWE");
constexpr uint32_t kOldLabels[] = {LabelOf("KWEN"), LabelOf("KWNE")};
constexpr uint32_t kLabelAndEndBytes = 8;  // the label and the table's closing 0

}  // namespace

int ReadUnsignedNumber(DocFile& file, uint32_t* value, const char* message) {
  uint32_t result = 0;
  for (int count = 1; count <= kLongestNumber; ++count) {
    uint8_t byte;
    if (!GatherRead(file, &byte, 1)) FailDocument(message);
    result |= static_cast<uint32_t>(byte & 0x7F) << (7 * (count - 1));
    if ((byte & 0x80) == 0) {
      *value = result;
      return count;
    }
  }
  FailDocument(message);
}

int ReadSignedNumber(DocFile& file, int32_t* value, const char* message) {
  uint32_t number;
  int count = ReadUnsignedNumber(file, &number, message);
  *value = SignedFromNumber(number);
  return count;
}

void ReadDocumentTable(DocFile& hdoc) {
  uint32_t label;
  if (!GatherRead(hdoc, &label, sizeof label)) FailDocument("Error read of KWEN label");
  if (label != kLabel) {
    bool old = label == kOldLabels[0] || label == kOldLabels[1];
    CloseDocument();
    FailDocument(old ? "Not supported old KWEN file format" : "Read label Failed");
  }
  int32_t count = 0;
  for (;;) {
    int32_t size;
    if (!GatherRead(hdoc, &size, sizeof size)) FailDocument("Read table Failed");
    if (size == 0) break;
    if (count == kMaxPages) FailDocument("The page table holds more than 999 pages");
    if (size < 0) FailDocument("The page table holds a negative page size");
    aPageOffset[count++] = size;
  }
  if (count == 0) FailDocument("The document has no pages");
  aPageOffset[count] = 0;
  iPageCount = count;
  int64_t offset = kLabelAndEndBytes + int64_t{4} * count;
  for (int32_t k = 0; k <= count; ++k) {
    int64_t size = aPageOffset[k];
    if (offset > INT32_MAX) FailDocument("The document unpacks to more than 2 GiB");
    aPageOffset[k] = static_cast<int32_t>(offset);
    offset += size;
  }
  iCurPage = 0;
}
