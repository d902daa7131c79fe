#include "document/bmp_reader.h"

#include <string>

#include "document/doc_file.h"
#include "document/host.h"
#include "document/page_loader.h"
#include "document/page_state.h"

namespace {

// A host whose failure unwinds (the desktop reader throws) must not keep the
// file open; closing twice is harmless.
struct ClosedOnExit {
  DocFile& file;
  ~ClosedOnExit() { CloseDocFile(file); }
};

}  // namespace

void ReadBmpFile(const char* path) {
  bPageReady = false;
  DocFile file;
  if (!OpenDocFile(file, path)) FailDocument(("Error Opening File " + std::string(path)).c_str());
  const ClosedOnExit closer{file};
  ReadPageHeaders(file, false);
  const PageGeometry geometry = CheckPageGeometry(false);
  const uint64_t size = geometry.stride * static_cast<uint64_t>(geometry.height);
  // The bits follow the colour table. A file shorter than its headers say is
  // refused before any memory is set aside for the page.
  if (!CanRead(file, size)) {
    const std::string bitmap = std::to_string(size) + " bytes";
    FailDocument((std::string(path) + " is cut short (it ends inside its bitmap of " + bitmap + ")").c_str());
  }
  FitWindowIfResized(geometry.width, geometry.height);
  PreparePageBlock(static_cast<uint32_t>(size), geometry.height);
  if (!GatherRead(file, pDibBits, static_cast<uint32_t>(size))) FailDocument("Read BITMAP Image Failed");
  bPageReady = true;
}
