#include "viewer/windows/navigation.h"

#include <gtest/gtest.h>

#include "tests/viewer/windows/view_test_host.h"
#include "tests/document/test_host.h"
#include "viewer/windows/commands.h"
#include "viewer/windows/view_geometry.h"
#include "viewer/windows/viewer_state.h"

namespace {

using Pages = std::vector<int32_t>;
using Actions = std::vector<std::string>;

void Key(uint32_t key) { HandleKeyDown(key); }
void CtrlKey(uint32_t key) {
  HandleKeyDown(vk::kControl);
  HandleKeyDown(key);
  HandleKeyUp(vk::kControl);
}
void GoTo(int32_t number) {
  viewRecord.typedPage = number;
  Key(vk::kG);
}

// Twelve pages of 1700 x 2200 in an 850 x 600 client area.
class Navigation : public ::testing::Test {
 protected:
  void SetUp() override {
    viewRecord.client = {850, 600};
    OpenTestDocument(std::vector<std::pair<int32_t, int32_t>>(12, {1700, 2200}));
  }
  // The page shown by each Ctrl+Left or Ctrl+Right, from 1.
  Pages Walk(uint32_t key, int steps) {
    Pages shown;
    for (int i = 0; i < steps; ++i) {
      CtrlKey(key);
      shown.push_back(iCurPage + 1);
    }
    return shown;
  }
};

// A fresh ring: slots of page 1 all round. A push after going back
// overwrites the next slot.
TEST_F(Navigation, TheHistoryRing) {
  GoTo(5);
  GoTo(9);
  EXPECT_EQ(Walk(vk::kLeft, 3), (Pages{5, 1, 1}));
  EXPECT_EQ(Walk(vk::kRight, 4), (Pages{1, 5, 9, 1}));
  EXPECT_EQ(Walk(vk::kLeft, 2), (Pages{9, 5}));
  Key(vk::kRight);  // page 6 takes page 9's slot
  EXPECT_EQ(Walk(vk::kRight, 1), Pages{1});
  // An entry beyond a shorter document opened since shows its last page.
  aPageHistory[5] = 11;
  iPageCount = 4;
  iHistoryPos = 4;
  HistoryForward();
  EXPECT_EQ(iCurPage, 3);
}

TEST_F(Navigation, PageKeysAtTheEndsAndGoToPage) {
  Key(vk::kLeft);      // the first page again, recorded again
  CtrlKey(vk::kHome);  // already there: nothing
  CtrlKey(vk::kEnd);
  CtrlKey(vk::kEnd);
  iViewTop = 500;
  Key(vk::kPageDown);  // the last page's top again, recorded again
  EXPECT_EQ(iViewTop, 0);
  EXPECT_EQ(iHistoryPos, 3);
  Key(vk::kPageUp);
  CtrlKey(vk::kHome);
  for (int32_t number : {0, -3, 13, 12, 7}) GoTo(number);  // only numbers of the document
  EXPECT_EQ(viewRecord.loads, (Pages{0, 11, 11, 10, 0, 11, 6}));
}

TEST_F(Navigation, ModifiersMatterOnlyWhereTheTableSays) {
  HandleKeyDown(vk::kShift);
  Key(vk::kLeft);  // Shift+Left is PrevPage
  EXPECT_EQ(iHistoryPos, 1);
  Key(vk::kDown);  // Shift+Down scrolls
  EXPECT_EQ(viewRecord.scrolls.size(), 1u);
  HandleKeyUp(vk::kShift);
  HandleKeyDown(vk::kControl);
  Key(vk::kDown);  // Ctrl+Down is NextView
  EXPECT_EQ(iViewTop, 1000);
  Key(vk::kG);  // Ctrl+G opens the dialog like G
  HandleKeyUp(vk::kControl);
  EXPECT_EQ(viewRecord.actions, Actions{"go to"});
}

TEST_F(Navigation, TheBoxWindowAndMouseKeys) {
  for (uint32_t key : {vk::kF1, vk::kF, vk::kP, vk::kOne, vk::kTwo}) Key(key);
  EXPECT_EQ(viewRecord.actions, (Actions{"controls", "file name", "page number", "width 480", "width 640"}));
  Key(vk::kThree);
  EXPECT_EQ(Session().host.record.fits, 1);
  HandleLeftButton();
  EXPECT_EQ(iViewTop, 73);
  HandleRightButton();
  EXPECT_EQ(viewRecord.scrolls, (std::vector<int32_t>{-36, 36}));
}

TEST_F(Navigation, APlainBmpHasNoPageCommands) {
  OpenTestDocument({{1700, 2200}}, true);
  for (uint32_t key : {vk::kLeft, vk::kRight, vk::kPageUp, vk::kPageDown, vk::kHome, vk::kEnd}) CtrlKey(key);
  for (uint32_t key : {vk::kLeft, vk::kRight, vk::kPageUp, vk::kPageDown, vk::kG, vk::kP}) Key(key);
  EXPECT_TRUE(viewRecord.loads.empty() && viewRecord.actions.empty());
  for (uint32_t key : {vk::kF1, vk::kF, vk::kEnd}) Key(key);
  EXPECT_EQ(viewRecord.actions, (Actions{"controls", "file name"}));
  EXPECT_EQ(iViewTop, 1000);
}

TEST_F(Navigation, WithoutADocumentKeysAndButtonsDoNothing) {
  bPackedDoc = false;
  for (uint32_t key : {vk::kDown, vk::kRight, vk::kF1, vk::kF, vk::kOne, vk::kThree, vk::kShift, vk::kControl}) {
    Key(key);
  }
  HandleLeftButton();
  HandleRightButton();
  EXPECT_FALSE(bShiftDown || bCtrlDown);
  EXPECT_TRUE(viewRecord.actions.empty() && viewRecord.loads.empty() && viewRecord.scrolls.empty());
  EXPECT_EQ(Session().host.record.fits, 0);
}

}  // namespace
