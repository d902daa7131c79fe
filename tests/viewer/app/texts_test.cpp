#include "viewer/app/texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace {

TEST(Texts, PageNumberBox) {
  EXPECT_EQ(PageNumberText(2, 12), "Current page is 3 of 12");
  EXPECT_EQ(PageNumberText(998, 999), "Current page is 999 of 999");
}

TEST(Texts, SuggestedExportNamesArePaddedToFourDigits) {
  EXPECT_EQ(SuggestedExportName(0), "p0001.bmp");
  EXPECT_EQ(SuggestedExportName(6), "p0007.bmp");
  EXPECT_EQ(SuggestedExportName(122), "p0123.bmp");
  EXPECT_EQ(SuggestedExportName(998), "p0999.bmp");
}

TEST(Texts, GoToPageReadsFourCharactersAsANumber) {
  struct Case {
    const char* typed;
    int32_t number;
  };
  const Case cases[] = {{"7", 7},     {"", 0},      {"12345", 1234}, {"0012", 12}, {" 3x", 3},
                        {"-5", -5},   {"abc", 0},   {"\t42", 42},    {"+9", 9},    {"    7", 0}, {"   7", 7}};
  for (const Case& c : cases) EXPECT_EQ(PageNumberFromText(c.typed), c.number) << '"' << c.typed << '"';
}

TEST(Texts, TheControlsHelpHasItsTwentyFiveLines) {
  std::string help = text::kControls;
  ASSERT_EQ(help.front(), '\n');
  ASSERT_EQ(help.substr(help.size() - 2), "\n ");
  std::istringstream lines(help.substr(1, help.size() - 2));
  std::vector<std::string> all;
  for (std::string line; std::getline(lines, line);) all.push_back(line);
  ASSERT_EQ(all.size(), 25u);
  EXPECT_EQ(all[0], " Right arrow\t\t- next page;");
  EXPECT_EQ(all[21], " " + std::string(74, '_'));
  EXPECT_EQ(all[24], " Hint for loving mouse - launch screen keyboard and click it.");
}

TEST(Texts, TheAboutBoxStartsWithTheTitle) {
  std::string about = text::kAbout;
  EXPECT_EQ(about.substr(0, about.find('\n')), text::kWindowTitle);
  EXPECT_EQ(std::count(about.begin(), about.end(), '\n'), 2);
}

}  // namespace
