// Opening the document named in szFileName: a packed document through the
// unpacking, anything else as a plain BMP file.
#include <windows.h>

#include "viewer/windows/viewer_state.h"
#include "viewer/windows/main_window.h"
#include "viewer/windows/navigation.h"
#include "viewer/windows/resource_ids.h"
#include "viewer/windows/texts.h"
#include "viewer/windows/view_geometry.h"
#include "viewer/windows/view_host.h"
#include "document/bmp_reader.h"
#include "document/doc_file.h"
#include "document/document_kind.h"
#include "viewer/windows/unpack_process.h"

namespace {

void RequireExistingFile() {
  DocFile probe;
  if (OpenDocFile(probe, szFileName)) {
    CloseDocFile(probe);
    return;
  }
  MessageBoxA(nullptr, szFileName, text::kMissingFileCaption, MB_ICONERROR);
  ExitProcess(1);
}

}  // namespace

void OpenDocument(HWND hwnd) {
  CleanDocumentPath(szFileName);
  RequireExistingFile();
  bPackedDoc = IsPackedDocumentName(szFileName);
  bBmpDoc = !bPackedDoc;
  if (bPackedDoc) {
    ReadKWENFile(szFileName);
  } else {
    ViewerReadBmpFile(szFileName);
  }
  iViewTop = 0;
  EnableMenuItem(GetMenu(hwnd), IDM_EXPORT, MF_BYCOMMAND | MF_ENABLED);
  RepaintClient();
}
