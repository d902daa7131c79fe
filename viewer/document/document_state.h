// The open document: its page count, current page and page record offsets.
#pragma once

#include <cstdint>

constexpr int kPageOffsetEntries = 1000;
constexpr int kMaxPages = kPageOffsetEntries - 1;

extern int32_t iPageCount;
extern int32_t iCurPage;
extern int32_t aPageOffset[kPageOffsetEntries];  // entries 0..iPageCount: record starts, then the end
