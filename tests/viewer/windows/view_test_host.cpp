#include "tests/viewer/windows/view_test_host.h"

#include <algorithm>

#include "tests/document/test_host.h"
#include "viewer/windows/commands.h"
#include "viewer/windows/navigation.h"
#include "viewer/windows/view_geometry.h"
#include "viewer/windows/viewer_state.h"

ViewRecord viewRecord;

static void SetPageSize(int32_t page) {
  sBitMapInfoHeader.BMIH.biWidth = viewRecord.pageSizes.at(page).first;
  sBitMapInfoHeader.BMIH.biHeight = viewRecord.pageSizes.at(page).second;
  iScrollStep = static_cast<int32_t>(sBitMapInfoHeader.BMIH.biHeight / 30.0 + 0.5);
}

ClientArea GetClientArea() { return viewRecord.client; }
void RepaintClient() { ++viewRecord.repaints; }
void ScrollClient(int32_t dy) { viewRecord.scrolls.push_back(dy); }

void LoadCurrentPage() {
  viewRecord.loads.push_back(iCurPage);
  SetPageSize(iCurPage);
}

void SetWindowWidth(int32_t width) { viewRecord.actions.push_back("width " + std::to_string(width)); }
int32_t AskPageNumber() {
  viewRecord.actions.push_back("go to");
  return viewRecord.typedPage;
}
void ShowControlsBox() { viewRecord.actions.push_back("controls"); }
void ShowFileNameBox() { viewRecord.actions.push_back("file name"); }
void ShowPageNumberBox() { viewRecord.actions.push_back("page number"); }

void OpenTestDocument(const std::vector<std::pair<int32_t, int32_t>>& pages, bool bmp) {
  ResetHost();
  ClientArea client = viewRecord.client;
  viewRecord = ViewRecord{};
  viewRecord.client = client;
  viewRecord.pageSizes = pages;
  iPageCount = bmp ? 1 : static_cast<int32_t>(pages.size());
  iCurPage = 0;
  iViewTop = 0;
  bPackedDoc = !bmp;
  bBmpDoc = bmp;
  std::fill(std::begin(aPageHistory), std::end(aPageHistory), 0);
  iHistoryPos = 0;
  bShiftDown = bCtrlDown = false;
  SetPageSize(0);
}

void FitWindowToPage() { ++Session().host.record.fits; }
