#include "viewer/windows/navigation.h"

#include "viewer/windows/view_geometry.h"
#include "viewer/windows/view_host.h"
#include "viewer/windows/viewer_state.h"

bool bPackedDoc = false;
bool bBmpDoc = false;
int32_t aPageHistory[kHistorySlots];
int32_t iHistoryPos = 0;

void PushHistory(int32_t page) {
  iHistoryPos = (iHistoryPos + 1) % kHistorySlots;
  aPageHistory[iHistoryPos] = page;
}

void ShowPage() {
  iViewTop = 0;
  LoadCurrentPage();
  RepaintClient();
}

static void MoveToPage(int32_t page) {
  iCurPage = page;
  PushHistory(iCurPage);
  ShowPage();
}

void NextPage() {
  if (!bPackedDoc) return;
  MoveToPage(iCurPage < iPageCount - 1 ? iCurPage + 1 : iCurPage);
}

void PrevPage() {
  if (!bPackedDoc) return;
  MoveToPage(iCurPage >= 1 ? iCurPage - 1 : iCurPage);
}

void FirstPage() {
  if (!bPackedDoc || iCurPage == 0) return;
  MoveToPage(0);
}

void LastPage() {
  if (!bPackedDoc || iCurPage >= iPageCount - 1) return;
  MoveToPage(iPageCount - 1);
}

void GoToPage(int32_t number) {
  if (!bPackedDoc || number < 1 || number > iPageCount) return;
  MoveToPage(number - 1);
}

// The ring is kept across documents: an entry beyond this document's last
// page stands for its last page.
static void ShowHistoryEntry() {
  int32_t page = aPageHistory[iHistoryPos];
  iCurPage = page < iPageCount ? page : iPageCount - 1;
  ShowPage();
}

void HistoryBack() {
  if (!bPackedDoc) return;
  iHistoryPos = (iHistoryPos + kHistorySlots - 1) % kHistorySlots;
  ShowHistoryEntry();
}

void HistoryForward() {
  if (!bPackedDoc) return;
  iHistoryPos = (iHistoryPos + 1) % kHistorySlots;
  ShowHistoryEntry();
}
