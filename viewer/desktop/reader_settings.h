// The names under which the reader keeps what it remembers: each document's
// last page, zoom and mode, keyed by its full path, and the recent files.
#pragma once

#include <string>

#include "viewer/desktop/reader_layout.h"

constexpr int kRecentFiles = 8;
constexpr const char* kRecentFilesKey = "recentFiles";

// The settings group of one document. Its full path is the key; the
// characters the settings store reads as separators or escapes are
// written as %XX so that two paths never share a group.
std::string DocumentSettingsGroup(const std::string& fullPath);

constexpr const char* kLastPageKey = "lastPage";
constexpr const char* kZoomModeKey = "zoomMode";
constexpr const char* kZoomScaleKey = "zoomScale";
constexpr const char* kSinglePageKey = "singlePage";

// The zoom mode as stored, and back; an unknown word is fit width.
const char* ZoomModeName(ZoomMode mode);
ZoomMode ZoomModeFromName(const std::string& name);
