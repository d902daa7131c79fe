#include "viewer/app/texts.h"

#include <gtest/gtest.h>

namespace {

TEST(Texts, PagesCountFromOneWhereTheUserSeesThem) {
  EXPECT_EQ(PageNumberText(2, 12), "Current page is 3 of 12");
  EXPECT_EQ(SuggestedExportName(998), "p0999.bmp");
}

TEST(Texts, GoToPageReadsFourCharactersAsANumber) {
  const std::pair<const char*, int32_t> cases[] = {{"7", 7},   {"", 0},     {"12345", 1234}, {" 3x", 3},    {"-5", -5},
                                                   {"abc", 0}, {"\t42", 42}, {"    7", 0},    {"   7", 7}};
  for (const auto& [typed, number] : cases) EXPECT_EQ(PageNumberFromText(typed), number) << '"' << typed << '"';
}

}  // namespace
