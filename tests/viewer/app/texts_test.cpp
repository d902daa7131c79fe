#include "viewer/app/texts.h"

#include <gtest/gtest.h>

namespace {

TEST(Texts, PageNumberBoxAndExportNamesCountFromOne) {
  EXPECT_EQ(PageNumberText(2, 12), "Current page is 3 of 12");
  EXPECT_EQ(PageNumberText(998, 999), "Current page is 999 of 999");
  EXPECT_EQ(SuggestedExportName(6), "p0007.bmp");
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

}  // namespace
