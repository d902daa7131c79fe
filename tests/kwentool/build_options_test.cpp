#include "kwentool/build_options.h"

#include <gtest/gtest.h>

namespace {

bool Parse(std::vector<const char*> arguments, BuildOptions& options, std::string& error) {
  return ParseBuildOptions(static_cast<int>(arguments.size()), arguments.data(), options, error);
}

TEST(BuildOptions, EveryOptionInAnyOrder) {
  BuildOptions options;
  std::string error;
  ASSERT_TRUE(Parse({"--bitonal", "--threshold", "90", "--quality", "75", "--dpi", "600", "--search", "/F", "--size",
                     "c", "--verbose", "p1.bmp", "--output", "x.KWEN", "--pack", "best", "--clean", "--lossy", "p2.png",
                     "--pdf-timeout", "60", "--pdf-memory", "4096"},
                    options, error))
      << error;
  EXPECT_TRUE(options.mode == PageMode::kBitonal && options.verbose && options.packBest && options.clean && options.lossy);
  EXPECT_EQ((std::vector<int>{options.threshold, options.quality, options.dotsPerInch, options.pdfLimits.seconds,
                              options.pdfLimits.mebibytes}),
            (std::vector<int>{90, 75, 600, 60, 4096}));
  EXPECT_EQ(options.switches.searchExponent, SearchExponentFor('F'));
  EXPECT_EQ(options.switches.windowExponent, WindowExponentFor('C'));
  EXPECT_EQ(options.output, "x.KWEN");
  EXPECT_EQ(options.pages, (std::vector<std::string>{"p1.bmp", "p2.png"}));
  BuildOptions plain;
  ASSERT_TRUE(Parse({"--pack", "best", "--pack", "default", "-o", "b.kwen", "a.png"}, plain, error)) << error;
  BuildOptions lossless;
  ASSERT_TRUE(Parse({"--bitonal", "--mode", "lossless", "--jobs", "3", "-o", "b.kwen", "a.png"}, lossless, error));
  EXPECT_EQ(lossless.mode, PageMode::kLossless);
  EXPECT_EQ(lossless.jobs, 3);
  EXPECT_FALSE(plain.packBest || plain.clean || plain.lossy || plain.verbose || plain.ocr || plain.title);
  EXPECT_EQ(plain.mode, PageMode::kAuto);
  BuildOptions text;
  ASSERT_TRUE(Parse({"--lang", "eng+script/Latin", "--title", "", "-o", "b.kwen", "--ocr", "a.png"}, text, error))
      << error;
  EXPECT_TRUE(text.ocr && text.title == std::string());
  EXPECT_EQ(text.language, "eng+script/Latin");
  EXPECT_EQ(plain.language, "eng");
}

TEST(BuildOptions, UsageErrors) {
  std::vector<const char*> pages1000 = {"-o", "b.kwen"};
  pages1000.resize(1002, "a.png");
  const std::pair<std::vector<const char*>, const char*> cases[] = {
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
      {{"-o", "b.kwen", "--pack", "fastest", "a.png"}, "--pack takes best or default"},
      {{"-o", "b.kwen", "--pdf-timeout", "0", "a.png"}, "--pdf-timeout takes seconds from 1 to 86400"},
      {{"-o", "b.kwen", "--pdf-memory", "1048577", "a.png"}, "--pdf-memory takes MiB from 1 to 1048576"},
      {pages1000, "a document holds at most 999 pages"},
      {{"-o", "b.kwen", "--mode", "photo", "a.png"}, "--mode takes auto, bitonal, grey, colour or lossless"},
      {{"-o", "b.kwen", "--jobs", "0", "a.png"}, "--jobs takes a number from 1 to 256"},
      {{"-o", "b.kwen", "--lang", "deu", "a.png"}, "--lang is the language of --ocr"},
      {{"-o", "b.kwen", "--ocr", "--lang", "../eng", "a.png"}, "--lang takes the name of a language"},
      {{"-o", "b.kwen", "--ocr", "--lang", "eng+", "a.png"}, "--lang takes the name of a language"},
      {{"-o", "b.kwen", "--title", "caf\xE9", "a.png"}, "--title takes UTF-8 text"},
  };
  for (const auto& [arguments, message] : cases) {
    BuildOptions options;
    std::string error;
    EXPECT_FALSE(Parse(arguments, options, error)) << message;
    EXPECT_NE(error.find(message), std::string::npos) << error;
  }
}

}  // namespace
