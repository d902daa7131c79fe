#include "kwentool/open_document.h"

#include <cstdio>
#include <string>

#include "input/file_bytes.h"
#include "document/bmp_reader.h"
#include "document/document_error.h"
#include "document/page_loader.h"

namespace {

std::vector<uint8_t> ReadWholeFile(const char* path) {
  std::vector<uint8_t> bytes;
  const FileRead read = ReadFileBytes(path, bytes);
  if (read == FileRead::kNotOpened) throw DocumentError(std::string("File does not exist: ") + path);
  if (read == FileRead::kNotRead) throw DocumentError(std::string("Cannot read ") + path);
  return bytes;
}

void WarnStreamCut() { std::fprintf(stderr, "kwentool: warning: the packed data ended before its end mark\n"); }

}  // namespace

void OpenToolDocument(const char* path, OpenedDocument& document) {
  document.streamCut = WarnStreamCut;
  OpenKwenDocument(document, document.host, path, ReadWholeFile(path));
  if (document.kind == FileKind::kOther) {
    document.bitmap = true;
    document.table.pageCount = 1;
  }
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
  if (!document.unpack) return document.ownBytes;
  RestoreUpTo(document, INT64_MAX);
  if (document.unpack->result.end == DecodeEnd::kOverLimit) {
    std::fprintf(stderr, "kwentool: warning: the packed data goes on past the document's last page\n");
  }
  return document.unpack->result.bytes;
}
