#include "tools/kwentool/open_document.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "tools/kwentool/file_bytes.h"
#include "utility/memory_pack.h"
#include "viewer/document/bmp_reader.h"
#include "viewer/document/document_format.h"
#include "viewer/document/document_kind.h"
#include "viewer/document/document_state.h"
#include "viewer/document/host.h"
#include "viewer/document/page_loader.h"

namespace {

constexpr char kLabel[] = "KNWE";
constexpr char kOldLabels[][5] = {"KWEN", "KWNE"};

std::vector<uint8_t> ReadWholeFile(const char* path) {
  std::vector<uint8_t> bytes;
  const FileRead read = ReadFileBytes(path, bytes);
  if (read == FileRead::kNotOpened) FailDocument((std::string("File does not exist: ") + path).c_str());
  if (read == FileRead::kNotRead) FailDocument((std::string("Cannot read ") + path).c_str());
  return bytes;
}

bool StartsWithLabel(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 4) return false;
  if (std::memcmp(bytes.data(), kLabel, 4) == 0) return true;
  for (const char* old : kOldLabels) {
    if (std::memcmp(bytes.data(), old, 4) == 0) return true;
  }
  return false;
}

}  // namespace

void OpenToolDocument(const char* path, OpenedDocument& document) {
  std::vector<uint8_t> file = ReadWholeFile(path);
  if (IsPackedDocumentName(path)) {
    UnpackResult unpacked = UnpackBytes(file.data(), file.size());
    if (!unpacked.hasHeader) FailDocument("Unpack file error");
    if (unpacked.end != DecodeEnd::kEndMark) {
      std::fprintf(stderr, "kwentool: warning: the packed data ended before its end mark\n");
    }
    document.bytes = std::move(unpacked.bytes);
  } else if (StartsWithLabel(file)) {
    document.bytes = std::move(file);
  } else {
    document.bitmap = true;
    iPageCount = 1;
    return;
  }
  const int64_t size = static_cast<int64_t>(document.bytes.size());
  OpenMemoryDocFile(document.hdoc, document.bytes.data(), size);
  OpenMemoryDocFile(document.hofs, document.bytes.data(), size);
  ReadDocumentTable(document.hdoc);
}

void BuildToolPage(const char* path, OpenedDocument& document, int32_t index) {
  iCurPage = index;
  if (document.bitmap) {
    ReadBmpFile(path);
  } else {
    LoadPage(document.hdoc, document.hofs, index);
  }
}
