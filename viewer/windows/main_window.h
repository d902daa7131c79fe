// The viewer's one main window and the state the Win32 handlers share.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include "document/unpack_names.h"

extern HINSTANCE hInst;
extern HWND hMainWnd;
extern char szFileName[kPathBufferBytes];  // the open document's path; empty for none

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// A box owned by the main window with the caption "WARNING" and the error icon.
void ShowWarning(const char* text);
// The page bitmap's global memory, released at shutdown.
void ReleasePageMemory();

// An open or save request owned by `hwnd` for the buffer `file`.
OPENFILENAMEA FileDialogRequest(HWND hwnd, const char* filter, char* file, DWORD fileSize, const char* title,
                                DWORD flags, const char* defaultExtension);

void OpenDocument(HWND hwnd);
void OpenDocumentDialog(HWND hwnd);
void ShowAboutBox();
void ExportPage(HWND hwnd);
void PaintClient(HWND hwnd);
