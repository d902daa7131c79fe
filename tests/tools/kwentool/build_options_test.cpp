#include "tools/kwentool/build_options.h"

#include <gtest/gtest.h>

namespace {

bool Parse(std::vector<const char*> arguments, BuildOptions& options, std::string& error) {
  return ParseBuildOptions(static_cast<int>(arguments.size()), arguments.data(), options, error);
}

TEST(BuildOptions, DefaultsAreTheUtilitys) {
  BuildOptions options;
  std::string error;
  ASSERT_TRUE(Parse({"-o", "book.kwen", "a.png", "b.pbm"}, options, error)) << error;
  EXPECT_EQ(options.output, "book.kwen");
  EXPECT_EQ(options.pages, (std::vector<std::string>{"a.png", "b.pbm"}));
  EXPECT_EQ(options.switches.searchExponent, kDefaultSearchExponent);
  EXPECT_EQ(options.switches.windowExponent, kDefaultWindowExponent);
  EXPECT_EQ(options.quality, 0);
  EXPECT_EQ(options.dotsPerInch, 300);
  EXPECT_FALSE(options.bitonal);
  EXPECT_FALSE(options.verbose);
}

TEST(BuildOptions, EveryOption) {
  BuildOptions options;
  std::string error;
  ASSERT_TRUE(Parse({"--bitonal", "--threshold", "90", "--quality", "75", "--dpi", "600", "--search", "/F", "--size",
                     "c", "--verbose", "p1.bmp", "--output", "x.KWEN"},
                    options, error))
      << error;
  EXPECT_TRUE(options.bitonal);
  EXPECT_EQ(options.threshold, 90);
  EXPECT_EQ(options.quality, 75);
  EXPECT_EQ(options.dotsPerInch, 600);
  EXPECT_EQ(options.switches.searchExponent, SearchExponentFor('F'));
  EXPECT_EQ(options.switches.windowExponent, WindowExponentFor('C'));
  EXPECT_TRUE(options.verbose);
  EXPECT_EQ(options.output, "x.KWEN");
}

TEST(BuildOptions, UsageErrors) {
  struct Case {
    std::vector<const char*> arguments;
    const char* error;
  };
  const std::vector<Case> cases = {
      {{"a.png"}, "-o BOOK.kwen"},
      {{"-o", "book.pdf", "a.png"}, "must end in .kwen"},
      {{"-o", "book.kwen"}, "at least one page"},
      {{"-o"}, "needs a value"},
      {{"-o", "b.kwen", "--quality", "0", "a.png"}, "from 1 to 100"},
      {{"-o", "b.kwen", "--quality", "101", "a.png"}, "from 1 to 100"},
      {{"-o", "b.kwen", "--quality", "7x", "a.png"}, "from 1 to 100"},
      {{"-o", "b.kwen", "--threshold", "256", "a.png"}, "from 1 to 255"},
      {{"-o", "b.kwen", "--dpi", "-3", "a.png"}, "positive"},
      {{"-o", "b.kwen", "--search", "X", "a.png"}, "T, S, G, F, Q"},
      {{"-o", "b.kwen", "--size", "/GG", "a.png"}, "H, L, M, 2, 1, C, S, T"},
      {{"-o", "b.kwen", "--fast", "a.png"}, "unknown option '--fast'"},
  };
  for (const Case& test : cases) {
    BuildOptions options;
    std::string error;
    EXPECT_FALSE(Parse(test.arguments, options, error)) << test.error;
    EXPECT_NE(error.find(test.error), std::string::npos) << error;
  }
}

}  // namespace
