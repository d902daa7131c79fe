// The open document: its page count, current page and page record offsets.
// Read-only while pages are built, so threads building pages of one
// document may share it.
#pragma once

#include <cstdint>

#include "document/document_layout.h"

constexpr int kPageOffsetEntries = kMaxPages + 1;

struct DocumentState {
  int32_t pageCount = 0;
  int32_t currentPage = 0;
  int32_t pageOffsets[kPageOffsetEntries] = {};  // entries 0..pageCount: record starts, then the end
};
