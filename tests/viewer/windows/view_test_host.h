// The window side of the view and command tests: a client area of a chosen
// size, pages of chosen sizes, and a log of what the logic asked for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "viewer/windows/view_host.h"

struct ViewRecord {
  ClientArea client{850, 600};
  std::vector<std::pair<int32_t, int32_t>> pageSizes;  // width, height per page
  std::vector<int32_t> loads;                          // pages loaded, in order
  int repaints = 0;
  std::vector<int32_t> scrolls;
  std::vector<std::string> actions;  // boxes, dialogs and window commands
  int32_t typedPage = 0;             // what the Go to page dialog answers
};

extern ViewRecord viewRecord;

// A packed document of these page sizes (or a plain BMP of the first one)
// opened at page 0, with a fresh history and view.
void OpenTestDocument(const std::vector<std::pair<int32_t, int32_t>>& pages, bool bmp = false);
