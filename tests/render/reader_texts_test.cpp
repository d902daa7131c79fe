#include "render/reader_texts.h"

#include <gtest/gtest.h>

namespace {

TEST(ReaderTexts, PagesCountFromOneWhereTheUserSeesThem) {
  EXPECT_EQ(PageNumberText(2, 12), "Current page is 3 of 12");
  EXPECT_EQ(SuggestedExportName(998), "p0999.bmp");
}

}  // namespace
