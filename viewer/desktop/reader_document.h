// One open document for the reader, opened by the library over the file
// mapped in memory: a packed .kwen document restored as far as the pages
// read need, an unpacked document, or a plain BMP file. The document holds
// its own page state: one thread at a time uses it (the reader's worker
// thread, or the main thread of a headless export).
#pragma once

#include <QFile>
#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include "document/document_error.h"
#include "document/host.h"
#include "document/page_state.h"
#include "library/open_document.h"
#include "viewer/desktop/reader_layout.h"

// What the library throws: the failure's text.
using DocumentFailure = DocumentError;
// A failure for want of memory: its text is plain already.
struct MemoryFailure : DocumentFailure {
  using DocumentFailure::DocumentFailure;
};

// The page bitmap in heap memory; the want of it is a MemoryFailure.
class ReaderPageHost : public DocumentHost {
 public:
  uint8_t* ReplacePageBlock(uint32_t size) override;

 private:
  std::unique_ptr<uint8_t[]> block_;
};

// The library's opened file, with the reader's mapping of it.
struct ReaderDocument : KwenDocument {
  QString path;
  QFile file;
  ReaderPageHost host;
  int32_t pageCount = 0;
};

// Opens `path` and reads its page table; throws DocumentFailure.
void OpenReaderDocument(ReaderDocument& document, const QString& path);
// Restores the rest of a packed document.
void RestoreWhole(ReaderDocument& document);
// How a stopped restore ended, in plain words ("The document is cut short
// after page 91"); empty when the whole document is there.
QString RestoreEnding(const ReaderDocument& document);
// Why page `page` (from 0) cannot be read, in plain words, with the
// library's own text beside it.
QString PageFailureText(const ReaderDocument& document, int32_t page, const std::exception& failure);
// Reads page `page`'s headers: its size and resolution. Throws.
PageExtent ReadPageExtent(ReaderDocument& document, int32_t page);
// Builds page `page` into the document's page state. Throws.
void BuildPage(ReaderDocument& document, int32_t page);
// The page in the page state as an image: 1-bit pages as 1-bit images with
// their two colours, others as red, green and blue. Throws.
QImage PageStateImage(const PageState& page);
// The page at another size: smaller, each pixel the average of the page
// pixels it covers (1-bit text turns into clean grey); larger, page pixels
// as sharp blocks.
QImage ScaledPage(const QImage& page, const QSize& size);
// The page state as the BMP file the export writes, and as PNG.
std::vector<uint8_t> PageStateBmp(const PageState& page);
std::vector<uint8_t> PageStatePng(const PageState& page);
