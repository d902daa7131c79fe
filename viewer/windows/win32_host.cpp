// The document host of the viewer: failures in "WARNING" boxes that end the
// program, after ending the unpacking and deleting its file, and the page
// bitmap in one block of global memory.
#include <windows.h>

#include "viewer/windows/main_window.h"
#include "viewer/windows/texts.h"
#include "document/host.h"
#include "document/page_state.h"
#include "viewer/windows/unpack_process.h"

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

}  // namespace

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
