// The sample document tells its reader the viewer's keys: every key its text
// names must do something in the viewer.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "tests/viewer/windows/view_test_host.h"
#include "viewer/windows/commands.h"
#include "viewer/windows/view_geometry.h"
#include "viewer/windows/viewer_state.h"

namespace {

// The keys a text could name, as it would name them.
struct NamedKey {
  const char* pattern;
  uint32_t key;
};
constexpr NamedKey kKeyNames[] = {
    {"Page Down", vk::kPageDown}, {"Page Up", vk::kPageUp},  {"Right arrow", vk::kRight},
    {"Left arrow", vk::kLeft},    {"Down arrow", vk::kDown}, {"Up arrow", vk::kUp},
    {"\\bEnter\\b", vk::kEnter},  {"\\bHome\\b", vk::kHome}, {"\\bEnd\\b", vk::kEnd},
    {"\\bG\\b", vk::kG},          {"\\bF\\b", vk::kF},       {"\\bP\\b", vk::kP},
    {"\\bF1\\b", vk::kF1},        {"space bar", 0x20},       {"Backspace", 0x08},
    {"\\bTab\\b", 0x09},          {"Escape", 0x1B},          {"\\bInsert\\b", 0x2D},
    {"\\bDelete\\b", 0x2E},       {"\\bF2\\b", 0x71},        {"\\bF3\\b", 0x72},
};

std::string SampleText() {
  std::ifstream file(SAMPLE_PAGES_SOURCE);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// Whether pressing the key, on a middle page scrolled part way down, changes
// what is shown or opens something.
bool KeyDoesSomething(uint32_t key) {
  viewRecord.client = {850, 600};
  OpenTestDocument(std::vector<std::pair<int32_t, int32_t>>(5, {1700, 6000}));
  viewRecord.typedPage = 5;
  iCurPage = 2;
  NextView();
  const int32_t page = iCurPage, top = iViewTop;
  const size_t actions = viewRecord.actions.size();
  HandleKeyDown(key);
  return iCurPage != page || iViewTop != top || viewRecord.actions.size() != actions;
}

TEST(SampleText, EveryKeyItNamesIsAViewerKey) {
  const std::string text = SampleText();
  ASSERT_FALSE(text.empty()) << SAMPLE_PAGES_SOURCE;
  int named = 0;
  for (const NamedKey& name : kKeyNames) {
    if (!std::regex_search(text, std::regex(name.pattern))) continue;
    ++named;
    EXPECT_TRUE(KeyDoesSomething(name.key)) << "the sample names " << name.pattern;
  }
  EXPECT_GE(named, 10);
}

}  // namespace
