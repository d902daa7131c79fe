// The Windows viewer's own texts: titles, captions, the boxes' contents and
// the Go to page field; those the desktop reader shows too are in
// render/reader_texts.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "render/reader_texts.h"

namespace text {
constexpr const char* kClassName = "KWEN";
constexpr const char* kWindowTitle = "DURMO-Viewer, v.2.1";
constexpr const char* kWarning = "WARNING";
constexpr const char* kAboutCaption = "About KWEN";
constexpr const char* kAbout =
    "DURMO-Viewer, v.2.1\n"
    "Made by the kwen kit team.\n"
    "Questions and reports: the kwen kit project pages.";
extern const char* const kControls;
constexpr const char* kMissingFileCaption = "File does not exist";
constexpr const char* kOpenTitle = "Open";
constexpr const char* kExportTitle = "Please Enter Name(.bmp) of File for Current Page Exporting";
constexpr const char* kDialogFailed = "CommDlgExtendedError";
constexpr const char* kSaveDialogFailed = "GetSaveFileName returned Error #";
constexpr const char* kCantCreateExport = "Error creating Export File";
constexpr const char* kPaintFailed = "Error of StretchDIBits";
constexpr const char* kUnlockFailed = "GlobalUnlock returns ERROR";
constexpr const char* kFreeFailed = "GlobalFree returns ERROR";
constexpr const char* kAllocFailed = "GlobalAlloc returns NULL";
constexpr const char* kLockFailed = "GlobalLock returns NULL";
constexpr const char* kCommandLineTooLong = "The command line is longer than a document path may be";
}  // namespace text

// The number typed in the Go to page dialog, read as the run-time library
// reads one: leading white space, a sign, digits; 0 when there are none.
int32_t PageNumberFromText(const char* typed);

// The Go to page dialog keeps at most this many characters of its field.
constexpr size_t kGoToPageChars = 4;
