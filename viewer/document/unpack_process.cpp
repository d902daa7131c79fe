#include "viewer/document/unpack_process.h"

#include <windows.h>

#include "viewer/document/document_format.h"
#include "viewer/document/host.h"
#include "viewer/document/page_loader.h"

char szTempFile[kPathBufferBytes];
bool bReusedTemp = false;
DocFile hdoc;
DocFile hofs;

namespace {

PROCESS_INFORMATION piUnpack;
// Each wait for the child gives the processor to it for this long.
constexpr DWORD kPollMilliseconds = 5;

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

bool LastWriteTime(const char* path, ULONGLONG* time) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
  *time = (ULONGLONG{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
  return true;
}

// An unpacked file older than its document is of another document of the
// same name, or of an earlier edition of this one.
bool UnpackedFileIsCurrent(const char* documentPath) {
  ULONGLONG unpacked, document;
  return LastWriteTime(szTempFile, &unpacked) && LastWriteTime(documentPath, &document) && unpacked > document;
}

void NameUnpackedFile(const char* documentPath) {
  char tempDirectory[kPathBufferBytes];
  DWORD length = GetTempPathA(sizeof tempDirectory, tempDirectory);
  if (length == 0 || length >= sizeof tempDirectory) FailDocument("GetTempPath request failed");
  char fullPath[kPathBufferBytes];
  char* filePart = nullptr;
  length = GetFullPathNameA(documentPath, sizeof fullPath, fullPath, &filePart);
  if (length == 0 || length >= sizeof fullPath) FailDocument("GetFullPathName request failed");
  if (!UnpackedFileName(tempDirectory, fullPath, szTempFile, sizeof szTempFile)) {
    FailDocument("The path of the unpacked file is too long");
  }
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

void WaitForUnpackedFile() {
  for (;;) {
    if (OpenDocFile(hdoc, szTempFile)) break;
    DWORD code;
    if (!GetExitCodeProcess(piUnpack.hProcess, &code)) {
      FailDocument("GetExitCodeProcess request from ReadKWENFile fails");
    }
    if (code == 0) {
      // Ended well: the file may have appeared just before the query.
      if (OpenDocFile(hdoc, szTempFile)) break;
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

}  // namespace

void StartUnpackProcess(const char* documentPath) {
  NameUnpackedFile(documentPath);
  bReusedTemp = UnpackedFileIsCurrent(documentPath) && OpenDocFile(hdoc, szTempFile);
  if (bReusedTemp) return;
  DeleteFileA(szTempFile);
  StartChild(documentPath);
}

void ReadKWENFile(const char* documentPath) {
  StartUnpackProcess(documentPath);
  if (!bReusedTemp) WaitForUnpackedFile();
  if (!OpenDocFile(hofs, szTempFile)) FailDocument("Error open file for handle hofs");
  if (!bReusedTemp) hdoc.writerRunning = hofs.writerRunning = ChildRunning;
  ReadDocumentTable(hdoc);
  LoadPage(hdoc, hofs, 0);
}

void CloseUnpackProcess() {
  if (bReusedTemp || !ChildStarted()) return;
  DWORD code;
  if (!GetExitCodeProcess(piUnpack.hProcess, &code)) {
    FailDocument("GetExitCodeProcess first request failed in CloseUnpackProcess");
  }
  if (code == STILL_ACTIVE) {
    if (!TerminateProcess(piUnpack.hProcess, 1)) FailDocument("TerminateProcess request failed in CloseUnpackProcess");
    while (code == STILL_ACTIVE) {
      WaitForSingleObject(piUnpack.hProcess, kPollMilliseconds);
      if (!GetExitCodeProcess(piUnpack.hProcess, &code)) {
        FailDocument("GetExitCodeProcess following request failed in CloseUnpackProcess");
      }
    }
  }
  ReleaseChildHandles();
}
