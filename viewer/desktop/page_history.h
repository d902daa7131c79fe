// The ring of visited pages: each page change by a command is recorded;
// back and forward walk the ring. The Windows viewer keeps its ring in
// globals beside the page the document loader is building; the reader
// builds pages on another thread, so its ring is its own.
#pragma once

#include <cstdint>

constexpr int kHistoryEntries = 100;

struct PageHistory {
  int32_t pages[kHistoryEntries] = {};
  int32_t position = 0;
};

void RecordPage(PageHistory& history, int32_t page);
// The page one step back (or forward) in the ring; an entry beyond the
// document's last page stands for its last page.
int32_t StepBack(PageHistory& history, int32_t pageCount);
int32_t StepForward(PageHistory& history, int32_t pageCount);
