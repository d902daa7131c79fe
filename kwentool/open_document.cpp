#include "kwentool/open_document.h"

#include <cstdio>
#include <string>

#include "input/file_bytes.h"
#include "document/bmp_reader.h"
#include "document/document_format.h"
#include "document/document_kind.h"
#include "document/document_layout.h"
#include "document/document_error.h"
#include "document/document_state.h"
#include "document/page_loader.h"

namespace {

std::vector<uint8_t> ReadWholeFile(const char* path) {
  std::vector<uint8_t> bytes;
  const FileRead read = ReadFileBytes(path, bytes);
  if (read == FileRead::kNotOpened) throw DocumentError(std::string("File does not exist: ") + path);
  if (read == FileRead::kNotRead) throw DocumentError(std::string("Cannot read ") + path);
  return bytes;
}

bool StartsWithLabel(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < kLabelBytes) return false;
  return LabelIs(bytes.data(), kDocumentLabel) || IsOldDocumentLabel(bytes.data());
}

void RestoreFor(DocFile& file, int64_t wanted) {
  MemoryUnpack& unpack = *static_cast<MemoryUnpack*>(file.restoreSource);
  const bool wasCut = unpack.result.end == DecodeEnd::kCutShort;
  ContinueUnpack(unpack, wanted);
  if (!wasCut && unpack.result.end == DecodeEnd::kCutShort) {
    std::fprintf(stderr, "kwentool: warning: the packed data ended before its end mark\n");
  }
  file.memory = unpack.result.bytes.data();
  file.memorySize = static_cast<int64_t>(unpack.result.bytes.size());
}

}  // namespace

OpenedDocument::~OpenedDocument() {
  if (unpack) ReleaseUnpack(*unpack);
}

void OpenToolDocument(const char* path, OpenedDocument& document) {
  document.file = ReadWholeFile(path);
  if (IsPackedDocumentName(path)) {
    document.unpack = std::make_unique<MemoryUnpack>();
    MemoryUnpack& unpack = *document.unpack;
    StartUnpack(unpack, document.file.data(), document.file.size(), INT32_MAX);
    if (!unpack.result.hasHeader) throw DocumentError("Unpack file error");
    OpenRestoredDocFile(document.hdoc, RestoreFor, &unpack);
    OpenRestoredDocFile(document.hofs, RestoreFor, &unpack);
  } else if (StartsWithLabel(document.file)) {
    const int64_t size = static_cast<int64_t>(document.file.size());
    OpenMemoryDocFile(document.hdoc, document.file.data(), size);
    OpenMemoryDocFile(document.hofs, document.file.data(), size);
  } else {
    document.bitmap = true;
    document.table.pageCount = 1;
    return;
  }
  ReadDocumentTable(document.table, document.host, document.hdoc);
  // Nothing past the last page is ever read.
  if (document.unpack) SetUnpackLimit(*document.unpack, document.table.pageOffsets[document.table.pageCount]);
}

void BuildToolPage(const char* path, OpenedDocument& document, int32_t index) {
  document.table.currentPage = index;
  if (document.bitmap) {
    ReadBmpFile(document.page, document.host, path);
  } else {
    LoadPage(document.table, document.page, document.host, document.hdoc, document.hofs, index);
  }
}

void ScanToolPage(OpenedDocument& document, int32_t index) {
  document.table.currentPage = index;
  ScanPage(document.table, document.page, document.hdoc, document.hofs, index);
}

const std::vector<uint8_t>& UnpackedDocument(OpenedDocument& document) {
  if (!document.unpack) return document.file;
  DocFile whole;
  OpenRestoredDocFile(whole, RestoreFor, document.unpack.get());
  RestoreFor(whole, INT64_MAX);
  if (document.unpack->result.end == DecodeEnd::kOverLimit) {
    std::fprintf(stderr, "kwentool: warning: the packed data goes on past the document's last page\n");
  }
  return document.unpack->result.bytes;
}
