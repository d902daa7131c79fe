#include "input/page_list.h"

#include <gtest/gtest.h>

namespace {

// The pages a list names in a document of `pageCount` pages, or the error.
std::string Expanded(const char* text, int32_t pageCount) {
  PageList list;
  std::string error;
  if (!ParsePageList(text, list, error)) return "usage: " + error;
  std::vector<int32_t> pages;
  if (!ExpandPageList(list, pageCount, pages, error)) return error;
  std::string names;
  for (int32_t page : pages) names += (names.empty() ? "" : " ") + std::to_string(page);
  return (IsSinglePage(list) ? "single " : "") + names;
}

TEST(PageList, NamesThePagesInTheOrderGiven) {
  const std::tuple<const char*, int32_t, const char*> cases[] = {
      {"5", 5, "single 5"},   {"4-4", 9, "single 4"},   {"007", 9, "single 7"}, {"1-5", 5, "1 2 3 4 5"},
      {"2,5-7", 9, "2 5 6 7"}, {"7,3", 9, "7 3"},       {"all", 3, "1 2 3"},     {"all", 1, "1"},
      {"6", 5, "has no page 6 (it has 5)"},              {"4-9", 5, "has no page 6 (it has 5)"},
      {"1,8-9", 5, "has no page 8 (it has 5)"},          {"2147483647", 5, "has no page 2147483647 (it has 5)"},
  };
  for (const auto& [text, pageCount, expected] : cases) EXPECT_EQ(Expanded(text, pageCount), expected) << text;
}

TEST(PageList, RefusesWhatIsNoListOfPages) {
  for (const char* text : {"", "0", "x", "3-1", "-3", "3-", "1,", ",1", "1,,2", "1-2-3", "+1", " 1", "1 ", "1.5", "0-2",
                           "ALL", "all,1", "2147483648", "2,1-3", "1-3,3"}) {
    EXPECT_EQ(Expanded(text, 9).rfind("usage: ", 0), 0u) << "'" << text << "'";
    EXPECT_GT(Expanded(text, 9).size(), 7u) << "'" << text << "'";
  }
}

}  // namespace
