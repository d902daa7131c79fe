#include "viewer/windows/commands.h"

#include "viewer/windows/navigation.h"
#include "viewer/windows/view_geometry.h"
#include "viewer/windows/view_host.h"
#include "viewer/windows/window_sizing.h"
#include "viewer/windows/viewer_state.h"

bool bShiftDown = false;
bool bCtrlDown = false;

namespace {

void AskAndGoToPage() {
  if (bPackedDoc) GoToPage(AskPageNumber());
}

}  // namespace

void HandleKeyDown(uint32_t key) {
  if (!DocumentOpen()) return;
  switch (key) {
    case vk::kDown: bShiftDown ? ScrollTextUp() : NextView(); break;
    case vk::kEnter: NextView(); break;
    case vk::kUp: bShiftDown ? ScrollTextDown() : PrevView(); break;
    case vk::kLeft:
    case vk::kPageUp: bCtrlDown ? HistoryBack() : PrevPage(); break;
    case vk::kRight:
    case vk::kPageDown: bCtrlDown ? HistoryForward() : NextPage(); break;
    case vk::kHome: bCtrlDown ? FirstPage() : PageTop(); break;
    case vk::kEnd: bCtrlDown ? LastPage() : PageEnd(); break;
    case vk::kShift: bShiftDown = true; break;
    case vk::kControl: bCtrlDown = true; break;
    case vk::kG: AskAndGoToPage(); break;
    case vk::kF1: ShowControlsBox(); break;
    case vk::kF: ShowFileNameBox(); break;
    case vk::kOne: SetWindowWidth(iFrameDX + kNarrowPreset); break;
    case vk::kTwo: SetWindowWidth(iFrameDX + kWidePreset); break;
    case vk::kThree: FitWindowToPage(); break;
    case vk::kP:
      if (bPackedDoc) ShowPageNumberBox();
      break;
    default: break;
  }
}

void HandleKeyUp(uint32_t key) {
  if (key == vk::kShift) bShiftDown = false;
  if (key == vk::kControl) bCtrlDown = false;
}

void HandleLeftButton() {
  if (DocumentOpen()) ScrollTextUp();
}

void HandleRightButton() {
  if (DocumentOpen()) ScrollTextDown();
}
