#include "tools/kwentool/page_list.h"

#include <gtest/gtest.h>

namespace {

struct ListCase {
  const char* text;
  int32_t pageCount;
  std::vector<int32_t> pages;
};

TEST(PageList, NamesThePagesInTheOrderGiven) {
  const ListCase cases[] = {
      {"1", 5, {1}},
      {"5", 5, {5}},
      {"1-5", 5, {1, 2, 3, 4, 5}},
      {"3,7", 9, {3, 7}},
      {"2,5-7", 9, {2, 5, 6, 7}},
      {"7,3", 9, {7, 3}},
      {"4-4", 9, {4}},
      {"007", 9, {7}},
      {"all", 3, {1, 2, 3}},
  };
  for (const ListCase& c : cases) {
    PageList list;
    std::string error;
    ASSERT_TRUE(ParsePageList(c.text, list, error)) << c.text << ": " << error;
    std::vector<int32_t> pages;
    ASSERT_TRUE(ExpandPageList(list, c.pageCount, pages, error)) << c.text << ": " << error;
    EXPECT_EQ(pages, c.pages) << c.text;
  }
}

TEST(PageList, RefusesWhatIsNoListOfPages) {
  const char* cases[] = {"",   "0",  "x",   "3-1", "-3", "3-",  "1,",     ",1",         "1,,2", "1-2-3",
                         "+1", " 1", "1 ",  "1.5", "0-2", "ALL", "all,1", "2147483648", "2,1-3", "1-3,3"};
  for (const char* text : cases) {
    PageList list;
    std::string error;
    EXPECT_FALSE(ParsePageList(text, list, error)) << "'" << text << "'";
    EXPECT_FALSE(error.empty()) << "'" << text << "'";
  }
}

TEST(PageList, TellsASinglePage) {
  const std::pair<const char*, bool> cases[] = {{"3", true}, {"3-3", true}, {"3-4", false}, {"3,4", false},
                                                {"all", false}};
  for (const auto& c : cases) {
    PageList list;
    std::string error;
    ASSERT_TRUE(ParsePageList(c.first, list, error)) << c.first;
    EXPECT_EQ(IsSinglePage(list), c.second) << c.first;
  }
}

TEST(PageList, NamesTheFirstPageBeyondTheDocument) {
  const std::pair<const char*, const char*> cases[] = {
      {"6", "has no page 6 (it has 5)"},
      {"4-9", "has no page 6 (it has 5)"},
      {"1,8-9", "has no page 8 (it has 5)"},
      {"2147483647", "has no page 2147483647 (it has 5)"},
  };
  for (const auto& c : cases) {
    PageList list;
    std::string error;
    ASSERT_TRUE(ParsePageList(c.first, list, error)) << c.first;
    std::vector<int32_t> pages;
    EXPECT_FALSE(ExpandPageList(list, 5, pages, error)) << c.first;
    EXPECT_EQ(error, c.second);
  }
}

}  // namespace
