// The document host of the viewer: failures in "WARNING" boxes that end the
// program, after ending the unpacking and deleting its file, and the page
// bitmap in one block of global memory; and the library's calls on the
// viewer's state, whose failures end there.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "kwen/document.h"
#include "viewer/windows/main_window.h"
#include "viewer/windows/texts.h"
#include "viewer/windows/viewer_state.h"
#include "viewer/windows/unpack_process.h"
#include "document/page_state.h"

namespace {

HGLOBAL hDibMem = nullptr;
std::optional<kwen::Document> openDocument;
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

// Hands the page loader's calls to the window's handlers.
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
  } catch (const kwen::Error& failure) {
    FailAndExit(failure.what());
  }
}

// The page's headers, as the document holds them, into the page state.
void TakeHeaders(const std::vector<uint8_t>& headers) {
  std::memcpy(&gPage.fileHeader, headers.data(), sizeof gPage.fileHeader);
  const size_t rest = headers.size() - sizeof gPage.fileHeader;
  std::memcpy(&gPage.info, headers.data() + sizeof gPage.fileHeader, std::min(rest, sizeof gPage.info));
  gPage.colorCount = static_cast<int32_t>((rest - sizeof(BitmapInfoHeader)) / sizeof(RgbQuad));
}

// As the viewer has always built a page: its headers, the window fitted to
// its size, its block, its bits, then a repaint.
void BuildOpenPage(int32_t page) {
  const kwen::PageLayout layout = openDocument->Layout(page);
  gPage.ready = false;
  TakeHeaders(layout.headers);
  const BitmapInfoHeader& info = gPage.info.BMIH;
  FitWindowIfResized(gPage, windowHost, info.biWidth, info.biHeight);
  PreparePageBlock(gPage, windowHost, static_cast<uint32_t>(layout.bitsBytes), info.biHeight);
  openDocument->BuildPageBits(page, gPage.bits, layout.bitsBytes);
  gPage.ready = true;
  ::InvalidatePage();
}

// The viewer runs on one thread: pages are built on it alone.
kwen::OpenOptions OptionsAs(kwen::FileKind kind) {
  kwen::OpenOptions options;
  options.readAs = kind;
  options.threads = 1;
  return options;
}

}  // namespace

void ViewerOpenUnpacked(const char* path, bool (*writerRunning)()) {
  ReportingFailure([path, writerRunning] {
    kwen::OpenOptions options = OptionsAs(kwen::FileKind::kUnpacked);
    options.writerRunning = writerRunning;
    openDocument = kwen::Document::Open(path, options);
    gDocument.pageCount = openDocument->PageCount();
    gDocument.currentPage = 0;
  });
}

void ViewerLoadPage(int32_t page) {
  ReportingFailure([page] { BuildOpenPage(page); });
}

void ViewerReadBmpFile(const char* path) {
  ReportingFailure([path] {
    openDocument = kwen::Document::Open(path, OptionsAs(kwen::FileKind::kBitmap));
    BuildOpenPage(0);
  });
}

void ViewerCloseDocument() { openDocument.reset(); }

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
