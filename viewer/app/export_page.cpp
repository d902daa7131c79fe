// File/Export: the current page as an uncompressed BMP file.
#include <windows.h>
#include <commdlg.h>

#include <cstdio>
#include <cstring>

#include "viewer/app/export_layout.h"
#include "viewer/app/main_window.h"
#include "viewer/app/texts.h"
#include "viewer/document/document_state.h"

namespace {

char szExportFile[kPathBufferBytes];

constexpr char kExportFilter[] = "All Files (*.*)\0*.*\0BMP Files (*.bmp)\0*.bmp\0";

uint32_t WriteToFile(void* file, const void* data, uint32_t size) {
  UINT written = _lwrite(*static_cast<HFILE*>(file), static_cast<LPCCH>(data), size);
  return written == static_cast<UINT>(HFILE_ERROR) ? 0 : written;
}

// A part written short has failed, as one that could not be written at all.
void WriteExportFile() {
  HFILE file = _lcreat(szExportFile, 0);
  if (file == HFILE_ERROR) {
    ShowWarning(text::kCantCreateExport);
    return;
  }
  if (const char* failure = WriteExportParts(WriteToFile, &file)) ShowWarning(failure);
  _lclose(file);
}

}  // namespace

void ExportPage(HWND hwnd) {
  char message[50] = "GetSaveFileName returned Error #";
  OPENFILENAMEA request = FileDialogRequest(hwnd, kExportFilter, szExportFile, sizeof szExportFile,
                                            text::kExportTitle, OFN_HIDEREADONLY | OFN_PATHMUSTEXIST, "bmp");
  std::snprintf(szExportFile, sizeof szExportFile, "%s", SuggestedExportName(iCurPage).c_str());
  if (!GetSaveFileNameA(&request)) {
    DWORD error = CommDlgExtendedError();
    if (error != 0) {
      std::snprintf(message + std::strlen(message), sizeof message - std::strlen(message), "%lu", error);
      ShowWarning(message);
    }
    return;
  }
  WriteExportFile();
}
