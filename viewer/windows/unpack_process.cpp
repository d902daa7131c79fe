#include "viewer/windows/unpack_process.h"

#include <windows.h>

#include <cstring>

#include "document/doc_file.h"
#include "viewer/windows/viewer_state.h"

char szTempFile[kPathBufferBytes];

namespace {

PROCESS_INFORMATION piUnpack;
// Each wait for the child gives the processor to it for this long.
constexpr DWORD kPollMilliseconds = 5;
constexpr UINT kTerminatedExitCode = 1;

bool ChildStarted() { return piUnpack.hProcess != nullptr; }

// The writer of the unpacked file is still at work; waits a little first.
// A child that failed has left the file incomplete: that is the error.
bool ChildRunning() {
  DWORD code;
  if (!ChildStarted() || !GetExitCodeProcess(piUnpack.hProcess, &code)) return false;
  if (code != STILL_ACTIVE && code != 0) FailDocument("Unpack file error");
  if (code != STILL_ACTIVE) return false;
  WaitForSingleObject(piUnpack.hProcess, kPollMilliseconds);
  return true;
}

bool PathAbsent(const char* path) {
  if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return false;
  DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// A file under this viewer's name is left by an earlier viewer of the same
// process id that ended without deleting it, and its child may still write
// it: it goes before the unpacking starts, so that only a file this viewer's
// own child writes is ever read. szTempFile is set only then.
void NameUnpackedFile(const char* documentPath) {
  char tempDirectory[kPathBufferBytes];
  DWORD length = GetTempPathA(sizeof tempDirectory, tempDirectory);
  if (length == 0 || length >= sizeof tempDirectory) FailDocument("GetTempPath request failed");
  char fullPath[kPathBufferBytes];
  char* filePart = nullptr;
  length = GetFullPathNameA(documentPath, sizeof fullPath, fullPath, &filePart);
  if (length == 0 || length >= sizeof fullPath) FailDocument("GetFullPathName request failed");
  char name[kPathBufferBytes];
  if (!UnpackedFileName(tempDirectory, fullPath, GetCurrentProcessId(), name, sizeof name)) {
    FailDocument("The path of the unpacked file is too long");
  }
  DeleteFileA(name);
  if (!PathAbsent(name)) FailDocument("A file left under the name of the unpacked file cannot be deleted");
  std::memcpy(szTempFile, name, sizeof szTempFile);
}

void StartChild(const char* documentPath) {
  char commandLine[kPathBufferBytes];
  if (!UnpackCommandLine(documentPath, szTempFile, commandLine, sizeof commandLine)) {
    FailDocument("The command line of the unpacking is too long");
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  piUnpack = PROCESS_INFORMATION{};
  // A child that cannot start shows at the first status query.
  CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                 &startup, &piUnpack);
}

// Whether the unpacked file is there to be opened.
bool UnpackedFileThere() {
  DocFile probe;
  if (!OpenDocFile(probe, szTempFile)) return false;
  CloseDocFile(probe);
  return true;
}

void WaitForUnpackedFile() {
  for (;;) {
    if (UnpackedFileThere()) break;
    DWORD code;
    if (!GetExitCodeProcess(piUnpack.hProcess, &code)) {
      FailDocument("GetExitCodeProcess request from ReadKWENFile fails");
    }
    if (code == 0) {
      // Ended well: the file may have appeared just before the query.
      if (UnpackedFileThere()) break;
      FailDocument("Unpack file error");
    }
    if (code != STILL_ACTIVE) FailDocument("Unpack file error");
    WaitForSingleObject(piUnpack.hProcess, kPollMilliseconds);
  }
}

void ReleaseChildHandles() {
  if (piUnpack.hThread != nullptr) CloseHandle(piUnpack.hThread);
  if (piUnpack.hProcess != nullptr) CloseHandle(piUnpack.hProcess);
  piUnpack = PROCESS_INFORMATION{};
}

// Ends the child if it still runs and waits until it has ended. The
// handles go before a failure is reported, so that the report's own
// clean-up does not come back here.
void CloseUnpackProcess() {
  if (!ChildStarted()) return;
  DWORD code;
  const char* failure = nullptr;
  if (!GetExitCodeProcess(piUnpack.hProcess, &code)) {
    failure = "GetExitCodeProcess first request failed in CloseUnpackProcess";
  } else if (code == STILL_ACTIVE && !TerminateProcess(piUnpack.hProcess, kTerminatedExitCode)) {
    failure = "TerminateProcess request failed in CloseUnpackProcess";
  } else {
    while (code == STILL_ACTIVE) {
      WaitForSingleObject(piUnpack.hProcess, kPollMilliseconds);
      if (!GetExitCodeProcess(piUnpack.hProcess, &code)) {
        failure = "GetExitCodeProcess following request failed in CloseUnpackProcess";
        break;
      }
    }
  }
  ReleaseChildHandles();
  if (failure != nullptr) FailDocument(failure);
}

}  // namespace

void StartUnpackProcess(const char* documentPath) {
  NameUnpackedFile(documentPath);
  StartChild(documentPath);
}

void ReadKWENFile(const char* documentPath) {
  StartUnpackProcess(documentPath);
  WaitForUnpackedFile();
  ViewerOpenUnpacked(szTempFile, ChildRunning);
  ViewerLoadPage(0);
}

void DiscardUnpackedFile() {
  CloseUnpackProcess();
  ViewerCloseDocument();
  if (szTempFile[0] != '\0') DeleteFileA(szTempFile);
  szTempFile[0] = '\0';
}
