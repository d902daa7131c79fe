// File/Export: the current page as an uncompressed BMP file.
#include <windows.h>
#include <commdlg.h>

#include <cstdio>
#include <cstring>

#include "render/export_layout.h"
#include "viewer/windows/main_window.h"
#include "viewer/windows/texts.h"
#include "engine/output_file.h"
#include "viewer/windows/viewer_state.h"

namespace {

char szExportFile[kPathBufferBytes];

constexpr char kExportFilter[] = "All Files (*.*)\0*.*\0BMP Files (*.bmp)\0*.bmp\0";

uint32_t WriteToFile(void* file, const void* data, uint32_t size) {
  return static_cast<OutputFile*>(file)->Write(data, size) ? size : 0;
}

// A part written short has failed, as one that could not be written at all;
// the file then keeps what it held before the export, and a device named
// (NUL, a printer port) is written, never replaced.
void WriteExportFile() {
  OutputFile output;
  if (!output.Open(szExportFile)) {
    ShowWarning(text::kCantCreateExport);
    return;
  }
  const char* failure = WriteExportParts(gPage, WriteToFile, &output);
  if (failure == nullptr && !output.Commit()) failure = kLastExportPartFailure;
  if (failure != nullptr) ShowWarning(failure);
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
