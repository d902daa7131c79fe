#include "viewer/desktop/page_history.h"

#include <algorithm>

namespace {

int32_t EntryPage(const PageHistory& history, int32_t pageCount) {
  return std::clamp(history.pages[history.position], 0, std::max(0, pageCount - 1));
}

}  // namespace

void RecordPage(PageHistory& history, int32_t page) {
  history.position = (history.position + 1) % kHistoryEntries;
  history.pages[history.position] = page;
}

int32_t StepBack(PageHistory& history, int32_t pageCount) {
  history.position = (history.position + kHistoryEntries - 1) % kHistoryEntries;
  return EntryPage(history, pageCount);
}

int32_t StepForward(PageHistory& history, int32_t pageCount) {
  history.position = (history.position + 1) % kHistoryEntries;
  return EntryPage(history, pageCount);
}
