// Drives the real viewer the way a user does, for the end-to-end tests and
// the start-up benchmark. A Win32 console program that reads steps, one per
// line, from a script file:
//
//   viewer_driver VIEWER.exe SCRIPT [TEMPDIR]
//
// With TEMPDIR, the viewers' temporary directory is that one (TMP and TEMP)
// rather than the one shared with every other program.
//
// Steps (text arguments are the rest of the line; "^n" and "^t" in them
// stand for line breaks and tabs):
//   viewer N              the steps that follow act on viewer N (1 or 2;
//                         1 at first), so that two run at once
//   start ARGS            start the viewer; wait for its window or a box
//   plant PATH SOURCE     at the next start, SOURCE is copied to PATH before
//                         the viewer runs; "{pid}" in PATH stands for its
//                         process id
//   key NAME              press and release a key (down, up, left, right,
//                         pgup, pgdn, home, end, enter, g, f, p, 1, 2, 3, f1)
//   down NAME / up NAME   one half of a key press (shift, ctrl)
//   click left|right      a mouse button
//   menu ID               a menu command
//   box CAPTION|TEXT      a box with this caption and text is shown; press OK
//   shown CAPTION|TEXT    the same, but the box is left open
//   page N of M           the page-number box says so
//   goto TEXT             the Go to page dialog: type TEXT, press OK
//   goto-escape           the Go to page dialog: press Esc
//   open PATH             File/Open of PATH
//   open-cancel           File/Open, then Cancel
//   export NAME PATH      File/Export: the suggested name is NAME; save as PATH
//   capture FILE          the client area (what of it is on the screen) as a
//                         24-bit BMP file, the window raised above others
//   client W H            the client area is W x H
//   window X Y W H        the window's rectangle
//   child running|ended   the viewer's unpacking child runs (hidden) or not
//   smaller PATH BYTES    the one file that matches PATH is shorter than BYTES
//   files PATH N          N files match PATH (* and ? in its last part)
//   absent PATH           no file matches PATH
//   close                 close the window
//   exit CODE             the viewer ends with CODE
//   time-start ARGS       start, and print the milliseconds to the first paint
//   time-key NAME         press a key, and print the milliseconds it took
// Any failed step prints what was seen and ends the driver with status 1.
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr DWORD kPatienceMs = 30000;
constexpr DWORD kPollMs = 10;

constexpr int kViewers = 2;

std::string viewerPath;
PROCESS_INFORMATION viewers[kViewers]{};
PROCESS_INFORMATION* viewer = &viewers[0];  // the one the steps act on
int lineNumber = 0;
// Set by "plant": a file to lay under the next viewer's name for it.
std::string plantPath, plantSource;

[[noreturn]] void Fail(const std::string& what) {
  std::printf("step %d failed: %s\n", lineNumber, what.c_str());
  std::fflush(stdout);
  for (const PROCESS_INFORMATION& each : viewers) {
    if (each.hProcess != nullptr) TerminateProcess(each.hProcess, 99);
  }
  std::exit(1);
}

std::string Unescaped(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '^' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == 't')) {
      out += text[++i] == 'n' ? '\n' : '\t';
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? "^n" : c == '\t' ? "^t" : std::string(1, c);
  return out;
}

std::string WindowText(HWND window) {
  char text[4096] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ClassOf(HWND window) {
  char name[256] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

struct Search {
  const char* className;
  const char* title;  // null: any
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
  Search& search = *reinterpret_cast<Search*>(parameter);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != viewer->dwProcessId || !IsWindowVisible(window)) return TRUE;
  if (ClassOf(window) != search.className) return TRUE;
  if (search.title != nullptr && WindowText(window) != search.title) return TRUE;
  search.found = window;
  return FALSE;
}

HWND FindViewerWindow(const char* className, const char* title = nullptr) {
  Search search{className, title, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND MainWindow() { return FindViewerWindow("KWEN"); }
HWND AnyDialog(const char* title = nullptr) { return FindViewerWindow("#32770", title); }

bool ViewerEnded() { return WaitForSingleObject(viewer->hProcess, 0) == WAIT_OBJECT_0; }

// Returns once the viewer has handled everything sent to it before: its
// thread takes this only when it next reads its messages.
void Sync() {
  DWORD_PTR result;
  HWND main = MainWindow();
  if (main != nullptr) SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, kPatienceMs, &result);
}

HWND WaitForDialog(const char* title) {
  for (DWORD waited = 0; waited < kPatienceMs; waited += kPollMs) {
    if (HWND dialog = AnyDialog(title)) return dialog;
    if (ViewerEnded()) Fail(std::string("the viewer ended instead of showing ") + (title ? title : "a box"));
    Sleep(kPollMs);
  }
  HWND other = AnyDialog();
  Fail(std::string("no window \"") + (title ? title : "") + "\"" +
       (other ? "; shown instead: \"" + Escaped(WindowText(other)) + "\"" : ""));
}

// A dialog's modal loop is over once its window is destroyed; what its
// command does next is then done before the viewer reads messages again.
void WaitGone(HWND window) {
  for (DWORD waited = 0; waited < kPatienceMs && IsWindow(window); waited += kPollMs) Sleep(kPollMs);
  Sync();
}

// The planted file, laid while the viewer is held before its first
// instruction.
void LayPlantedFile() {
  std::string path = plantPath;
  size_t at = path.find("{pid}");
  if (at != std::string::npos) path.replace(at, 5, std::to_string(viewer->dwProcessId));
  if (!CopyFileA(plantSource.c_str(), path.c_str(), FALSE)) Fail("cannot plant " + path);
  std::printf("planted %s\n", path.c_str());
  plantPath.clear();
}

void Start(const std::string& arguments) {
  if (viewer->hProcess != nullptr) Fail("this viewer runs already");
  std::string commandLine = "\"" + viewerPath + "\"" + (arguments.empty() ? "" : " " + arguments);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  const DWORD flags = plantPath.empty() ? 0 : CREATE_SUSPENDED;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup, viewer)) {
    Fail("cannot start " + commandLine);
  }
  if (flags == CREATE_SUSPENDED) {
    LayPlantedFile();
    ResumeThread(viewer->hThread);
  }
  for (DWORD waited = 0; waited < kPatienceMs; waited += 1) {
    if (MainWindow() != nullptr || AnyDialog() != nullptr || ViewerEnded()) {
      WaitForInputIdle(viewer->hProcess, kPatienceMs);
      Sync();
      return;
    }
    Sleep(1);
  }
  Fail("the viewer showed nothing");
}

struct KeyName {
  const char* name;
  WORD code;
};
constexpr KeyName kKeys[] = {
    {"down", VK_DOWN},   {"up", VK_UP},     {"left", VK_LEFT}, {"right", VK_RIGHT}, {"pgup", VK_PRIOR},
    {"pgdn", VK_NEXT},   {"home", VK_HOME}, {"end", VK_END},   {"enter", VK_RETURN}, {"shift", VK_SHIFT},
    {"ctrl", VK_CONTROL}, {"g", 'G'},       {"f", 'F'},        {"p", 'P'},           {"1", '1'},
    {"2", '2'},          {"3", '3'},        {"f1", VK_F1},     {"x", 'X'}};

WORD KeyCode(const std::string& name) {
  for (const KeyName& key : kKeys) {
    if (name == key.name) return key.code;
  }
  Fail("unknown key " + name);
}

HWND RequireMain() {
  HWND main = MainWindow();
  if (main == nullptr) Fail("the viewer's window is not shown");
  return main;
}

// Keys and buttons are sent: each returns once handled. Those that open a
// dialog or a box are only queued, and the dialog is waited for.
void SendToViewer(UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result;
  SendMessageTimeoutA(RequireMain(), message, wParam, lParam, SMTO_NORMAL, kPatienceMs, &result);
}

void SendKey(UINT message, const std::string& name) { SendToViewer(message, KeyCode(name), message == WM_KEYUP ? 0xC0000001 : 1); }

void PressKey(const std::string& name) {
  SendKey(WM_KEYDOWN, name);
  SendKey(WM_KEYUP, name);
}

void QueueToViewer(UINT message, WPARAM wParam, LPARAM lParam) { SendNotifyMessageA(RequireMain(), message, wParam, lParam); }

void QueueKey(const std::string& name) {
  QueueToViewer(WM_KEYDOWN, KeyCode(name), 1);
  QueueToViewer(WM_KEYUP, KeyCode(name), 0xC0000001);
}

// The text of a box: its static text control.
std::string BoxText(HWND box) {
  char text[4096] = "";
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  return text;
}

void PressOk(HWND dialog) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  WaitGone(dialog);
}

void ExpectBox(const std::string& caption, const std::string& text, bool pressOk) {
  HWND box = WaitForDialog(caption.c_str());
  std::string shown = BoxText(box);
  if (shown != text) Fail("box \"" + caption + "\" says \"" + Escaped(shown) + "\", not \"" + Escaped(text) + "\"");
  if (pressOk) PressOk(box);
}

// The file-name field of the platform's file dialogs.
HWND FileNameField(HWND dialog) {
  for (int id : {0x480, 0x47C}) {
    if (HWND field = GetDlgItem(dialog, id)) return field;
  }
  Fail("the file dialog has no file-name field");
}

void SetFileName(HWND dialog, const std::string& path) {
  SendMessageA(FileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
}

std::string FileName(HWND dialog) {
  char text[1024] = "";
  SendMessageA(FileNameField(dialog), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

void Capture(const std::string& path) {
  HWND main = RequireMain();
  SetWindowPos(main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Sync();
  UpdateWindow(main);
  Sync();
  Sleep(50);
  RECT client;
  GetClientRect(main, &client);
  POINT origin{0, 0};
  ClientToScreen(main, &origin);
  // A window as tall as a maximised one reaches below the screen: only the
  // rows on the screen are taken.
  const int width = client.right;
  const int height = std::min<int>(client.bottom, GetSystemMetrics(SM_CYSCREEN) - origin.y);
  std::printf("captured %dx%d of a client area of %ldx%ld\n", width, height, client.right, client.bottom);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
  GdiFlush();
  const DWORD rowBytes = ((24 * width + 31) / 32) * 4;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + rowBytes * height;
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) Fail("cannot write " + path);
  std::fwrite(&file, sizeof file, 1, out);
  std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
  std::fwrite(bits, rowBytes, height, out);
  std::fclose(out);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

// The viewer's child processes and whether any of them shows a window.
struct Child {
  DWORD pid;
  std::string name;
};

std::vector<Child> Children() {
  std::vector<Child> children;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (entry.th32ParentProcessID == viewer->dwProcessId) children.push_back({entry.th32ProcessID, entry.szExeFile});
  }
  CloseHandle(snapshot);
  return children;
}

BOOL CALLBACK VisibleOfProcess(HWND window, LPARAM parameter) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == *reinterpret_cast<DWORD*>(parameter) && IsWindowVisible(window)) {
    *reinterpret_cast<DWORD*>(parameter) = 0;
    return FALSE;
  }
  return TRUE;
}

void ExpectChild(bool running) {
  std::vector<Child> children = Children();
  bool found = false;
  for (const Child& child : children) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, child.pid);
    DWORD code = 0;
    bool alive = process != nullptr && GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    if (process != nullptr) CloseHandle(process);
    if (!alive || _stricmp(child.name.c_str(), "durmo.exe") != 0) continue;
    found = true;
    DWORD probe = child.pid;
    EnumWindows(VisibleOfProcess, reinterpret_cast<LPARAM>(&probe));
    if (probe == 0) Fail("the unpacking child shows a window");
  }
  if (found != running) Fail(running ? "no unpacking child runs" : "an unpacking child still runs");
}

// The files that match a path with wildcards in its last part.
std::vector<WIN32_FIND_DATAA> Matching(const std::string& pattern) {
  std::vector<WIN32_FIND_DATAA> found;
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(pattern.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) found.push_back(data);
  } while (FindNextFileA(search, &data));
  FindClose(search);
  return found;
}

// The size of the one file that matches; -1 for none.
int64_t FileSize(const std::string& pattern) {
  std::vector<WIN32_FIND_DATAA> found = Matching(pattern);
  if (found.size() > 1) Fail(std::to_string(found.size()) + " files match " + pattern);
  if (found.empty()) return -1;
  return (int64_t{found[0].nFileSizeHigh} << 32) | found[0].nFileSizeLow;
}

double Milliseconds(LARGE_INTEGER from) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void ExpectNumbers(const char* what, std::initializer_list<long> seen, std::istringstream& args) {
  std::string seenText, wanted;
  for (long value : seen) {
    long expected;
    if (!(args >> expected)) Fail(std::string("missing numbers for ") + what);
    seenText += " " + std::to_string(value);
    wanted += " " + std::to_string(expected);
  }
  if (seenText != wanted) Fail(std::string(what) + " is" + seenText + ", not" + wanted);
}

std::string Rest(std::istringstream& args) {
  std::string rest;
  std::getline(args >> std::ws, rest);
  return rest;
}

void RunStep(const std::string& verb, std::istringstream& args) {
  if (verb == "viewer") {
    int number = std::atoi(Rest(args).c_str());
    if (number < 1 || number > kViewers) Fail("no viewer " + std::to_string(number));
    viewer = &viewers[number - 1];
    return;
  }
  if (verb == "plant") {
    args >> plantPath;
    plantSource = Rest(args);
    return;
  }
  if (verb == "start") return Start(Rest(args));
  if (verb == "key") {
    std::string name = Rest(args);
    if (name == "g" || name == "f" || name == "p" || name == "f1") return QueueKey(name);
    return PressKey(name);
  }
  if (verb == "down") return SendKey(WM_KEYDOWN, Rest(args));
  if (verb == "up") return SendKey(WM_KEYUP, Rest(args));
  if (verb == "click") {
    bool left = Rest(args) == "left";
    SendToViewer(left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN, left ? MK_LBUTTON : MK_RBUTTON, 0);
    return SendToViewer(left ? WM_LBUTTONUP : WM_RBUTTONUP, 0, 0);
  }
  if (verb == "menu") return QueueToViewer(WM_COMMAND, std::atoi(Rest(args).c_str()), 0);
  if (verb == "box" || verb == "shown") {
    std::string rest = Unescaped(Rest(args));
    size_t bar = rest.find('|');
    if (bar == std::string::npos) Fail(verb + " needs CAPTION|TEXT");
    return ExpectBox(rest.substr(0, bar), rest.substr(bar + 1), verb == "box");
  }
  if (verb == "page") {
    QueueKey("p");
    return ExpectBox("", "Current page is " + Rest(args), true);
  }
  if (verb == "goto" || verb == "goto-escape") {
    QueueKey("g");
    HWND dialog = WaitForDialog("Go to page");
    if (verb == "goto-escape") {
      PostMessageA(GetDlgItem(dialog, 101), WM_KEYDOWN, VK_ESCAPE, 1);
      return WaitGone(dialog);
    }
    SendMessageA(GetDlgItem(dialog, 101), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Rest(args).c_str()));
    return PressOk(dialog);
  }
  if (verb == "open" || verb == "open-cancel") {
    QueueToViewer(WM_COMMAND, 256, 0);
    HWND dialog = WaitForDialog("Open");
    if (verb == "open-cancel") {
      PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
      return WaitGone(dialog);
    }
    SetFileName(dialog, Rest(args));
    return PressOk(dialog);
  }
  if (verb == "export") {
    std::string suggested;
    args >> suggested;
    QueueToViewer(WM_COMMAND, 257, 0);
    HWND dialog = WaitForDialog("Please Enter Name(.bmp) of File for Current Page Exporting");
    if (FileName(dialog) != suggested) Fail("the suggested name is " + FileName(dialog) + ", not " + suggested);
    SetFileName(dialog, Rest(args));
    return PressOk(dialog);
  }
  if (verb == "capture") return Capture(Rest(args));
  if (verb == "client") {
    RECT client;
    GetClientRect(RequireMain(), &client);
    return ExpectNumbers("the client area", {client.right, client.bottom}, args);
  }
  if (verb == "window") {
    RECT window;
    GetWindowRect(RequireMain(), &window);
    return ExpectNumbers("the window", {window.left, window.top, window.right - window.left,
                                        window.bottom - window.top}, args);
  }
  if (verb == "child") return ExpectChild(Rest(args) == "running");
  if (verb == "smaller") {
    std::string path;
    int64_t bytes;
    args >> path >> bytes;
    int64_t size = FileSize(path);
    if (size < 0 || size >= bytes) Fail(path + " holds " + std::to_string(size) + " bytes already");
    return;
  }
  if (verb == "files") {
    std::string pattern;
    args >> pattern;
    return ExpectNumbers(("the files matching " + pattern).c_str(), {static_cast<long>(Matching(pattern).size())},
                         args);
  }
  if (verb == "absent") {
    std::vector<WIN32_FIND_DATAA> found = Matching(Rest(args));
    if (!found.empty()) Fail(std::string(found[0].cFileName) + " is there");
    return;
  }
  if (verb == "close") return (void)PostMessageA(RequireMain(), WM_CLOSE, 0, 0);
  if (verb == "exit") {
    DWORD code = 0;
    if (WaitForSingleObject(viewer->hProcess, kPatienceMs) != WAIT_OBJECT_0) Fail("the viewer does not end");
    GetExitCodeProcess(viewer->hProcess, &code);
    CloseHandle(viewer->hProcess);
    CloseHandle(viewer->hThread);
    *viewer = PROCESS_INFORMATION{};
    return ExpectNumbers("the exit status", {static_cast<long>(code)}, args);
  }
  if (verb == "time-start") {
    LARGE_INTEGER from;
    QueryPerformanceCounter(&from);
    Start(Rest(args));
    std::printf("first page painted after %.1f ms\n", Milliseconds(from));
    return;
  }
  if (verb == "time-key") {
    LARGE_INTEGER from;
    QueryPerformanceCounter(&from);
    PressKey(Rest(args));
    UpdateWindow(RequireMain());
    std::printf("page change took %.1f ms\n", Milliseconds(from));
    return;
  }
  Fail("unknown step " + verb);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::printf("usage: viewer_driver VIEWER.exe SCRIPT [TEMPDIR]\n");
    return 2;
  }
  viewerPath = argv[1];
  if (argc == 4 && !(SetEnvironmentVariableA("TMP", argv[3]) && SetEnvironmentVariableA("TEMP", argv[3]))) {
    std::printf("cannot set the temporary directory\n");
    return 2;
  }
  std::ifstream script(argv[2]);
  if (!script) {
    std::printf("cannot read %s\n", argv[2]);
    return 2;
  }
  for (std::string line; std::getline(script, line);) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::istringstream args(line);
    std::string verb;
    args >> verb;
    RunStep(verb, args);
  }
  for (PROCESS_INFORMATION& each : viewers) {
    viewer = &each;
    if (viewer->hProcess != nullptr && !ViewerEnded()) Fail("the script ended with a viewer still running");
  }
  std::printf("%d steps passed\n", lineNumber);
  return 0;
}
