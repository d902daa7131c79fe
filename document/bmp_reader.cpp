#include "document/bmp_reader.h"

#include <string>

#include "document/doc_file.h"
#include "document/document_error.h"
#include "document/page_loader.h"
#include "document/page_state.h"

namespace {

// A failure unwinds: the file must not stay open; closing twice is harmless.
struct ClosedOnExit {
  DocFile& file;
  ~ClosedOnExit() { CloseDocFile(file); }
};

}  // namespace

void ReadBmpHeaders(PageState& page, DocFile& file, const char* name) {
  ReadPageHeaders(page, file, false);
  const PageGeometry geometry = CheckPageGeometry(page, false);
  const uint64_t size = geometry.stride * static_cast<uint64_t>(geometry.height);
  // The bits follow the colour table. A file shorter than its headers say is
  // refused before any memory is set aside for the page.
  if (!CanRead(file, size)) {
    const std::string bitmap = std::to_string(size) + " bytes";
    throw DocumentError(std::string(name) + " is cut short (it ends inside its bitmap of " + bitmap + ")");
  }
}

void ReadBmpFile(PageState& page, DocumentHost& host, const char* path) {
  page.ready = false;
  DocFile file;
  if (!OpenDocFile(file, path)) throw DocumentError("Error Opening File " + std::string(path));
  const ClosedOnExit closer{file};
  ReadBmpHeaders(page, file, path);
  const PageGeometry geometry = CheckPageGeometry(page, false);
  const uint64_t size = geometry.stride * static_cast<uint64_t>(geometry.height);
  FitWindowIfResized(page, host, geometry.width, geometry.height);
  PreparePageBlock(page, host, static_cast<uint32_t>(size), geometry.height);
  if (!GatherRead(file, page.bits, static_cast<uint32_t>(size))) throw DocumentError("Read BITMAP Image Failed");
  page.ready = true;
}
