#include "viewer/document/bmp_reader.h"

#include <cstring>
#include <string>

#include "viewer/document/doc_file.h"
#include "viewer/document/host.h"
#include "viewer/document/page_loader.h"
#include "viewer/document/page_state.h"

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
  FitWindowIfResized(geometry.width, geometry.height);
  const uint32_t size = static_cast<uint32_t>(geometry.stride * geometry.height);
  PreparePageBlock(size, geometry.height);
  // The bits follow the colour table. A file shorter than its headers say
  // shows black where its bits are missing.
  uint32_t got = 0;
  while (got < size) {
    int32_t count = ReadOnce(file, pDibBits + got, size - got);
    if (count < 0) FailDocument("Read BITMAP Image Failed");
    if (count == 0) break;
    got += static_cast<uint32_t>(count);
  }
  std::memset(pDibBits + got, 0, size - got);
  bPageReady = true;
}
