// WinMain, the window procedure, the window-size rules and shutdown.
#include "viewer/windows/main_window.h"

#include <cstdlib>
#include <cstring>

#include "viewer/windows/commands.h"
#include "viewer/windows/navigation.h"
#include "viewer/windows/resource_ids.h"
#include "viewer/windows/texts.h"
#include "viewer/windows/view_geometry.h"
#include "viewer/windows/view_host.h"
#include "viewer/windows/window_sizing.h"
#include "viewer/windows/viewer_state.h"
#include "document/page_loader.h"
#include "viewer/windows/unpack_process.h"

HINSTANCE hInst = nullptr;
HWND hMainWnd = nullptr;
char szFileName[kPathBufferBytes];

namespace {

constexpr UINT kClassStyle = CS_VREDRAW | CS_HREDRAW | CS_SAVEBITS;

WindowSize SizeOf(const RECT& rect) { return {rect.right - rect.left, std::abs(rect.bottom - rect.top)}; }

WindowSize OuterSize(HWND hwnd) {
  RECT rect;
  GetWindowRect(hwnd, &rect);
  return SizeOf(rect);
}

void PlaceWindow(HWND hwnd, int x, int y, WindowSize size) {
  SetWindowPos(hwnd, HWND_NOTOPMOST, x, y, size.width, size.height, SWP_NOZORDER);
}

void OnCreate(HWND hwnd) {
  hMainWnd = hwnd;
  EnableMenuItem(GetMenu(hwnd), IDM_EXPORT, MF_BYCOMMAND | MF_GRAYED);
  iViewTop = 0;
  if (szFileName[0] != '\0') OpenDocument(hwnd);
}

// Snaps the client area to whole page widths, or, narrower than the page,
// keeps the width and cuts the height to the page.
void OnSize(HWND hwnd, int clientWidth) {
  RECT rect;
  GetWindowRect(hwnd, &rect);
  WindowSize size = ResizedWindowSize(SizeOf(rect), clientWidth, sBitMapInfoHeader.BMIH.biWidth,
                                      sBitMapInfoHeader.BMIH.biHeight);
  PlaceWindow(hwnd, rect.left, rect.top, size);
  RepaintClient();
}

void OnDestroy() {
  ReleasePageMemory();
  if (bPackedDoc) CloseDocument();
  PostQuitMessage(0);
}

void OnCommand(HWND hwnd, WORD command) {
  switch (command) {
    case IDM_OPEN: OpenDocumentDialog(hwnd); break;
    case IDM_EXPORT: ExportPage(hwnd); break;
    case IDM_EXIT: DestroyWindow(hwnd); break;
    case IDM_ABOUT: ShowAboutBox(); break;
    case IDM_CONTROLS: ShowControlsBox(); break;
    default: break;
  }
}

bool RegisterWindowClass(HINSTANCE instance) {
  WNDCLASSA windowClass{};
  windowClass.style = kClassStyle;
  windowClass.lpfnWndProc = MainWndProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, "KWENICON");
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszMenuName = "KWENAPMENU";
  windowClass.lpszClassName = text::kClassName;
  return RegisterClassA(&windowClass) != 0;
}

}  // namespace

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_SIZE:
      if (DocumentOpen()) OnSize(hwnd, LOWORD(lParam));
      return 0;
    case WM_PAINT: PaintClient(hwnd); return 0;
    case WM_COMMAND: OnCommand(hwnd, LOWORD(wParam)); return 0;
    case WM_KEYDOWN: HandleKeyDown(static_cast<uint32_t>(wParam)); return 0;
    case WM_KEYUP: HandleKeyUp(static_cast<uint32_t>(wParam)); return 0;
    case WM_LBUTTONDOWN: HandleLeftButton(); return 0;
    case WM_RBUTTONDOWN: HandleRightButton(); return 0;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

void FitWindowToPage() {
  RECT client;
  GetClientRect(hMainWnd, &client);
  WindowSize size = FitWindowSize(OuterSize(hMainWnd), {client.right, client.bottom},
                                  GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED),
                                  sBitMapInfoHeader.BMIH.biWidth, sBitMapInfoHeader.BMIH.biHeight);
  PlaceWindow(hMainWnd, 0, 0, size);
}

void SetWindowWidth(int32_t width) { PlaceWindow(hMainWnd, 0, 0, {width, OuterSize(hMainWnd).height}); }

ClientArea GetClientArea() {
  RECT client;
  GetClientRect(hMainWnd, &client);
  return {client.right, client.bottom};
}

void RepaintClient() { InvalidateRect(hMainWnd, nullptr, FALSE); }

void ScrollClient(int32_t dy) {
  ScrollWindow(hMainWnd, 0, dy, nullptr, nullptr);
  UpdateWindow(hMainWnd);
}

void LoadCurrentPage() { ViewerLoadPage(iCurPage); }

void InvalidatePage() { RepaintClient(); }

void CloseDocument() {
  DiscardUnpackedFile();
  iCurPage = 0;
  iViewTop = 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
  if (std::strlen(commandLine) >= sizeof szFileName) {
    MessageBoxA(nullptr, text::kCommandLineTooLong, text::kWarning, MB_ICONERROR);
    return 1;
  }
  std::strcpy(szFileName, commandLine);
  if (previous == nullptr && !RegisterWindowClass(instance)) return 0;
  hInst = instance;
  WindowSize start = StartWindowSize(GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED));
  HWND hwnd = CreateWindowExA(0, text::kClassName, text::kWindowTitle, WS_OVERLAPPEDWINDOW, 0, 0, start.width,
                              start.height, nullptr, nullptr, instance, nullptr);
  if (hwnd == nullptr) return 0;
  ShowWindow(hwnd, showCommand);
  UpdateWindow(hwnd);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
