// The Go to page dialog, the open dialog and the information boxes.
#include <windows.h>
#include <commdlg.h>

#include <cstring>
#include <string>

#include "viewer/windows/main_window.h"
#include "viewer/windows/navigation.h"
#include "viewer/windows/resource_ids.h"
#include "viewer/windows/texts.h"
#include "viewer/windows/view_host.h"
#include "viewer/windows/viewer_state.h"

namespace {

char szGoToPage[kGoToPageChars + 1];  // kept from one use of the dialog to the next

constexpr char kOpenFilter[] =
    "All Files (*.*)\0*.*\0DURMOViewer Files (*.kwen)\0*.kwen\0BMP Files (*.bmp)\0*.bmp\0";

INT_PTR CALLBACK GoToPageDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message != WM_COMMAND) return FALSE;
  if (wParam == IDOK) {
    GetDlgItemTextA(dialog, IDC_PAGE_NUMBER, szGoToPage, sizeof szGoToPage);
    EndDialog(dialog, 0);
  } else if (wParam == IDCANCEL) {
    EndDialog(dialog, 0);
  }
  return TRUE;
}

void ShowInformation(const char* text, const char* caption) { MessageBoxA(hMainWnd, text, caption, MB_OK); }

}  // namespace

int32_t AskPageNumber() {
  DialogBoxParamA(hInst, "DIALOG_1", hMainWnd, GoToPageDlgProc, 0);
  return PageNumberFromText(szGoToPage);
}

void ShowControlsBox() { ShowInformation(text::kControls, text::kControlsCaption); }
void ShowFileNameBox() { ShowInformation(szFileName, text::kFileNameCaption); }
void ShowAboutBox() { ShowInformation(text::kAbout, text::kAboutCaption); }

void ShowPageNumberBox() {
  ShowInformation(PageNumberText(iCurPage, iPageCount).c_str(), text::kPageNumberCaption);
}

OPENFILENAMEA FileDialogRequest(HWND hwnd, const char* filter, char* file, DWORD fileSize, const char* title,
                                DWORD flags, const char* defaultExtension) {
  OPENFILENAMEA request{};
  request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  request.hwndOwner = hwnd;
  request.lpstrFilter = filter;
  request.nFilterIndex = 1;
  request.lpstrFile = file;
  request.nMaxFile = fileSize;
  request.lpstrTitle = title;
  request.Flags = flags;
  request.lpstrDefExt = defaultExtension;
  return request;
}

void OpenDocumentDialog(HWND hwnd) {
  char chosen[kPathBufferBytes] = "";
  OPENFILENAMEA request = FileDialogRequest(hwnd, kOpenFilter, chosen, sizeof chosen - 1, text::kOpenTitle,
                                            OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, "kwen");
  if (!GetOpenFileNameA(&request)) {
    if (CommDlgExtendedError() != 0) ShowWarning(text::kDialogFailed);
    return;
  }
  if (bPackedDoc) CloseDocument();
  std::strcpy(szFileName, chosen);
  OpenDocument(hwnd);
}
