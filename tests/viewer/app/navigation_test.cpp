#include "viewer/app/navigation.h"

#include <gtest/gtest.h>

#include "tests/viewer/app/view_test_host.h"
#include "tests/viewer/document/test_host.h"
#include "viewer/app/commands.h"
#include "viewer/app/view_geometry.h"
#include "viewer/document/document_state.h"

namespace {

std::vector<std::pair<int32_t, int32_t>> Pages(int count) {
  return std::vector<std::pair<int32_t, int32_t>>(count, {1700, 2200});
}

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

class Navigation : public ::testing::Test {
 protected:
  void SetUp() override {
    viewRecord.client = {850, 600};
    OpenTestDocument(Pages(12));
  }
  // The page shown by each Ctrl+Left or Ctrl+Right, from 1.
  std::vector<int32_t> Walk(uint32_t key, int steps) {
    std::vector<int32_t> shown;
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
  EXPECT_EQ(Walk(vk::kLeft, 3), (std::vector<int32_t>{5, 1, 1}));
  EXPECT_EQ(Walk(vk::kRight, 4), (std::vector<int32_t>{1, 5, 9, 1}));
  EXPECT_EQ(Walk(vk::kLeft, 2), (std::vector<int32_t>{9, 5}));
  Key(vk::kRight);  // page 6 takes page 9's slot
  EXPECT_EQ(Walk(vk::kRight, 1), std::vector<int32_t>{1});
}

TEST_F(Navigation, PageKeysAtTheEnds) {
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
  EXPECT_EQ(viewRecord.loads, (std::vector<int32_t>{0, 11, 11, 10, 0}));
}

TEST_F(Navigation, GoToPageTakesOnlyNumbersOfTheDocument) {
  for (int32_t number : {0, -3, 13, 1234}) {
    GoTo(number);
    EXPECT_TRUE(viewRecord.loads.empty()) << number;
  }
  GoTo(12);
  GoTo(7);
  EXPECT_EQ(viewRecord.loads, (std::vector<int32_t>{11, 6}));
}

TEST_F(Navigation, HistoryEntriesBeyondTheDocumentShowItsLastPage) {
  aPageHistory[5] = 11;
  iPageCount = 4;  // a shorter document opened since
  iHistoryPos = 4;
  HistoryForward();
  EXPECT_EQ(iCurPage, 3);
  EXPECT_EQ(viewRecord.loads, std::vector<int32_t>{3});
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
  EXPECT_EQ(viewRecord.actions, std::vector<std::string>{"go to"});
}

TEST_F(Navigation, TheBoxAndWindowKeys) {
  for (uint32_t key : {vk::kF1, vk::kF, vk::kP, vk::kOne, vk::kTwo}) Key(key);
  EXPECT_EQ(viewRecord.actions,
            (std::vector<std::string>{"controls", "file name", "page number", "width 480", "width 640"}));
  Key(vk::kThree);
  EXPECT_EQ(hostRecord.fits, 1);
}

TEST_F(Navigation, APlainBmpHasNoPageCommands) {
  OpenTestDocument({{1700, 2200}}, true);
  for (uint32_t key : {vk::kLeft, vk::kRight, vk::kPageUp, vk::kPageDown}) {
    Key(key);
    CtrlKey(key);
  }
  CtrlKey(vk::kHome);
  CtrlKey(vk::kEnd);
  Key(vk::kG);
  Key(vk::kP);
  EXPECT_TRUE(viewRecord.loads.empty() && viewRecord.actions.empty());
  for (uint32_t key : {vk::kF1, vk::kF, vk::kEnd}) Key(key);
  EXPECT_EQ(viewRecord.actions, (std::vector<std::string>{"controls", "file name"}));
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
  EXPECT_EQ(hostRecord.fits, 0);
}

TEST_F(Navigation, MouseButtonsScroll) {
  HandleLeftButton();
  EXPECT_EQ(iViewTop, 73);
  HandleRightButton();
  EXPECT_EQ(iViewTop, 0);
  EXPECT_EQ(viewRecord.scrolls, (std::vector<int32_t>{-36, 36}));
}

}  // namespace
