// The open document: its page count, current page and page record offsets.
#pragma once

#include <cstdint>

#include "document/document_layout.h"

constexpr int kPageOffsetEntries = kMaxPages + 1;

extern int32_t iPageCount;
extern int32_t iCurPage;
extern int32_t aPageOffset[kPageOffsetEntries];  // entries 0..iPageCount: record starts, then the end
