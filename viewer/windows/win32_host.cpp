// The document host of the viewer: failures in "WARNING" boxes that end the
// program, after ending the unpacking and deleting its file, and the page
// bitmap in one block of global memory; and the library's calls on the
// viewer's state, whose failures end there.
#include <windows.h>

#include "viewer/windows/main_window.h"
#include "viewer/windows/texts.h"
#include "viewer/windows/viewer_state.h"
#include "viewer/windows/unpack_process.h"
#include "document/bmp_reader.h"
#include "document/document_error.h"
#include "document/document_format.h"
#include "document/page_loader.h"

namespace {

HGLOBAL hDibMem = nullptr;
bool bFailing = false;  // a failure is being reported: one in its clean-up only shows its own box

// The child is ended before the box is shown, so that it does not go on
// writing while the box waits.
[[noreturn]] void FailAndExit(const char* text) {
  if (!bFailing) {
    bFailing = true;
    DiscardUnpackedFile();
  }
  ShowWarning(text);
  ExitProcess(1);
}

// The block is fixed memory, locked once: after a clean unlock it is free
// to go. The error code is cleared first so that only the unlock's counts.
void FreePageBlock() {
  SetLastError(ERROR_SUCCESS);
  GlobalUnlock(hDibMem);
  if (GetLastError() != ERROR_SUCCESS) FailAndExit(text::kUnlockFailed);
  if (GlobalFree(hDibMem) != nullptr) FailAndExit(text::kFreeFailed);
  hDibMem = nullptr;
  pDibBits = nullptr;
}

// Hands the library's calls to the window's handlers.
class WindowHost : public DocumentHost {
 public:
  uint8_t* ReplacePageBlock(uint32_t size) override { return ::ReplacePageBlock(size); }
  void FitWindowToPage() override { ::FitWindowToPage(); }
  void InvalidatePage() override { ::InvalidatePage(); }
  void CloseDocument() override { ::CloseDocument(); }
};

WindowHost windowHost;

template <typename Call>
void ReportingFailure(Call&& call) {
  try {
    call();
  } catch (const DocumentError& failure) {
    FailAndExit(failure.what());
  }
}

}  // namespace

void ViewerReadDocumentTable(DocFile& file) {
  ReportingFailure([&file] { ReadDocumentTable(gDocument, windowHost, file); });
}

void ViewerLoadPage(DocFile& records, DocFile& spots, int32_t page) {
  ReportingFailure([&records, &spots, page] { LoadPage(gDocument, gPage, windowHost, records, spots, page); });
}

void ViewerReadBmpFile(const char* path) {
  ReportingFailure([path] { ReadBmpFile(gPage, windowHost, path); });
}

void ShowWarning(const char* text) { MessageBoxA(hMainWnd, text, text::kWarning, MB_ICONERROR); }

void FailDocument(const char* text) { FailAndExit(text); }

uint8_t* ReplacePageBlock(uint32_t size) {
  if (hDibMem != nullptr) FreePageBlock();
  hDibMem = GlobalAlloc(GMEM_FIXED, size);
  if (hDibMem == nullptr) FailAndExit(text::kAllocFailed);
  void* bits = GlobalLock(hDibMem);
  if (bits == nullptr) FailAndExit(text::kLockFailed);
  return static_cast<uint8_t*>(bits);
}

void ReleasePageMemory() {
  if (pDibBits != nullptr && hDibMem != nullptr) FreePageBlock();
}
