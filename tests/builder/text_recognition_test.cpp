// Words read from page pixels: a page too large to read whole keeps its
// words where they are, and missing recognition data is named.
#include "builder/text_recognition.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "builder/page_encoder.h"
#include "document/document_layout.h"
#include "input/page_image.h"

namespace {

constexpr int32_t kDotsPerInch = 300;
constexpr int32_t kSampleRows = 870;  // the sample page's heading and first paragraph
// Boxes read at half the size stand a few pixels off, doubled, and take in
// a comma now and then: within 1/12 inch is in place.
constexpr int32_t kBoxSlack = 24;

// The top of the sample's first page, as a 1-bit page of a document.
kwen::Document SamplePage() {
  PageImage sample;
  std::string error;
  EXPECT_TRUE(ReadPageImage(SAMPLE_PAGE, sample, error)) << error;
  PageImage top;
  top.width = sample.width;
  top.height = std::min(kSampleRows, sample.height);
  top.rgb.assign(sample.rgb.begin(), sample.rgb.begin() + int64_t{3} * top.width * top.height);
  top.xPelsPerMetre = top.yPelsPerMetre = PelsPerMetre(kDotsPerInch);
  DocumentWriter document;
  BeginDocument(document, 1);
  WriteBitonalPage(document, top, InkMap(top, kDefaultThreshold));
  EXPECT_TRUE(EndPage(document));
  kwen::OpenOptions options;
  options.readAs = kwen::FileKind::kUnpacked;
  return kwen::Document::FromBytes(document.bytes, "sample", options);
}

bool Near(const kwen::Box& a, const kwen::Box& b) {
  return std::abs(a.left - b.left) <= kBoxSlack && std::abs(a.top - b.top) <= kBoxSlack &&
         std::abs(a.right - b.right) <= kBoxSlack && std::abs(a.bottom - b.bottom) <= kBoxSlack;
}

// The share of `expected`'s words that `got` has, the same text in about
// the same place.
double FoundShare(const kwen::PageText& expected, const kwen::PageText& got) {
  int found = 0, all = 0;
  for (const kwen::TextLine& line : expected.lines) {
    for (const kwen::Word& word : line.words) {
      ++all;
      bool seen = false;
      for (const kwen::TextLine& other : got.lines) {
        for (const kwen::Word& candidate : other.words) {
          seen = seen || (candidate.text == word.text && Near(candidate.box, word.box));
        }
      }
      found += seen ? 1 : 0;
    }
  }
  return all == 0 ? 0 : static_cast<double>(found) / all;
}

TEST(TextRecognition, APageReadScaledDownKeepsItsWordsInPlace) {
  const kwen::Document document = SamplePage();
  TextRecogniser recogniser;
  std::string error;
  ASSERT_TRUE(recogniser.Open("eng", error)) << error;
  kwen::PageText whole, scaled;
  ASSERT_TRUE(RecognisePage(recogniser, document, 0, whole, error)) << error;
  const kwen::PageInfo info = document.Page(0);
  ASSERT_TRUE(RecognisePage(recogniser, document, 0, scaled, error, int64_t{info.width} * info.height / 4)) << error;

  ASSERT_GE(whole.lines.size(), 3u);
  std::string heading;
  for (const kwen::Word& word : whole.lines[0].words) heading += word.text + " ";
  EXPECT_EQ(heading, "Reading documents with the kit ");
  EXPECT_TRUE(whole.lines[0].startsBlock && whole.lines[1].startsBlock && !whole.lines[2].startsBlock);
  EXPECT_GE(FoundShare(whole, scaled), 0.9);
}

// What the engine hands back is made storable: the document refuses boxes
// off the page or turned inside out, words holding spaces or controls, lines
// without words, and more words than a page holds.
TEST(TextRecognition, WordsAreMadeStorable) {
  constexpr int32_t kWidth = 100, kHeight = 50;
  struct Case {
    const char* name;
    kwen::PageText read;
    kwen::PageText stored;
  };
  const kwen::Box inside{10, 10, 20, 20};
  const auto word = [](const char* text, kwen::Box box) { return kwen::Word{text, box}; };
  const auto line = [](std::vector<kwen::Word> words, bool startsBlock) {
    return kwen::TextLine{std::move(words), startsBlock};
  };
  const Case cases[] = {
      {"kept as it is", {{line({word("one", inside), word("two", {30, 10, 40, 20})}, true)}},
       {{line({word("one", inside), word("two", {30, 10, 40, 20})}, true)}}},
      {"boxes cut to the page and turned right way round",
       {{line({word("a", {-5, -3, 20, 60}), word("b", {120, 40, 90, 10})}, true)}},
       {{line({word("a", {0, 0, 20, kHeight}), word("b", {90, 10, kWidth, 40})}, true)}}},
      {"a word wholly off the page goes",
       {{line({word("off", {kWidth, 0, kWidth + 10, 10}), word("on", inside)}, true)}},
       {{line({word("on", inside)}, true)}}},
      {"words with spaces, controls or nothing go",
       {{line({word("a b", inside), word("tab\t", inside), word("del\x7F", inside), word("", inside),
               word("\xC3", inside), word("ok", inside)},
              false)}},
       {{line({word("ok", inside)}, false)}}},
      {"a line left without words passes its block start on",
       {{line({word("x y", inside)}, true), line({word("next", inside)}, false)}},
       {{line({word("next", inside)}, true)}}},
  };
  for (const Case& test : cases) {
    EXPECT_EQ(StorableText(test.read, kWidth, kHeight), test.stored) << test.name;
  }
  // No more words than a page holds: the line where the bound falls is cut.
  kwen::PageText many;
  many.lines.assign(2, line(std::vector<kwen::Word>(kLargestPageWords / 2 + 1, word("w", inside)), true));
  const kwen::PageText stored = StorableText(many, kWidth, kHeight);
  ASSERT_EQ(stored.lines.size(), 2u);
  EXPECT_EQ(stored.lines[0].words.size() + stored.lines[1].words.size(), kLargestPageWords);
}

TEST(TextRecognition, MissingLanguageDataIsNamed) {
  for (const char* language : {"xqz", "eng+xqz"}) {
    TextRecogniser recogniser;
    std::string error;
    EXPECT_FALSE(recogniser.Open(language, error)) << language;
    EXPECT_NE(error.find("'xqz'"), std::string::npos) << error;
    EXPECT_NE(error.find("/xqz.traineddata"), std::string::npos) << error;
  }
}

}  // namespace
