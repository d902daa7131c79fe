// The text stored after a document's pages: stored and read back equal,
// damaged text refused while the pages still open, and searches that find
// words whatever their case and across broken lines.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "engine/memory_pack.h"
#include "kwen/document.h"
#include "kwen/text.h"
#include "tests/document/document_builder.h"

namespace {

using testing_support::Bytes;
using kwen::Box;
using kwen::DocumentText;
using kwen::PageText;
using kwen::TextLine;
using kwen::Word;

constexpr int32_t kPages = 3;

TextLine Line(std::vector<Word> words, bool startsBlock = false) { return TextLine{std::move(words), startsBlock}; }

// Words along a line, each `width` wide with a gap of 10, from `left`.
TextLine Spaced(const std::vector<std::string>& texts, int32_t left, int32_t top, bool startsBlock = false) {
  TextLine line;
  line.startsBlock = startsBlock;
  for (const std::string& text : texts) {
    const int32_t width = 20 * static_cast<int32_t>(text.size());
    line.words.push_back(Word{text, Box{left, top, left + width, top + 30}});
    left += width + 10;
  }
  return line;
}

std::vector<kwen::OutlineItem> DeepOutline(int32_t levels) {
  std::vector<kwen::OutlineItem> outline;
  for (int32_t level = 0; level < levels; ++level) outline.push_back({"level", 0, level});
  return outline;
}

struct RoundTripCase {
  const char* name;
  DocumentText text;
};

std::vector<RoundTripCase> RoundTripCases() {
  PageText manyLines;
  for (int32_t k = 0; k < 40; ++k) manyLines.lines.push_back(Spaced({"line", std::to_string(k), "of", "text"}, 100, 100 + 40 * k, k % 10 == 0));
  PageText edges;
  edges.lines.push_back(Line({Word{"corner", Box{0, 0, 1, 1}}, Word{"far", Box{(1 << 30) - 2, (1 << 30) - 2, (1 << 30) - 1, (1 << 30) - 1}}}));
  edges.lines.push_back(Line({Word{"back", Box{0, 5, 0, 5}}}));  // an empty box, left of the word before
  DocumentText withOutline;
  withOutline.title = "Manual — 2nd edition";
  withOutline.outline = {{"Start", 0, 0}, {"Sub", 1, 1}, {"Deeper", 2, 2}, {"Back up", 2, 0}};
  return {
      {"empty page then words", DocumentText{"", {}, {PageText{}, PageText{{Spaced({"alone"}, 5, 5)}}}}},
      {"one word", DocumentText{"", {}, {PageText{{Spaced({"word"}, 10, 20)}}}}},
      {"many lines", DocumentText{"", {}, {manyLines}}},
      {"non-ASCII", DocumentText{"", {}, {PageText{{Spaced({"Größe", "naïve", "Ελληνικά", "日本語", "𝔘nicode"}, 0, 0)}}}}},
      {"boxes at the page's edges", DocumentText{"", {}, {edges}}},
      {"title and outline only", withOutline},
  };
}

TEST(TextLayer, ReadsBackWhatWasStored) {
  for (const RoundTripCase& example : RoundTripCases()) {
    const Bytes stored = kwen::EncodeText(example.text, kPages);
    EXPECT_EQ(kwen::DecodeText(stored.data(), stored.size(), kPages), example.text) << example.name;
  }
  EXPECT_TRUE(kwen::EncodeText(DocumentText{"", {}, {PageText{}, PageText{}}}, kPages).empty());
  EXPECT_EQ(kwen::DecodeText(nullptr, 0, kPages), DocumentText{});
}

TEST(TextLayer, LeavesOutWhatHoldsNoWords) {
  const DocumentText text{"", {}, {PageText{{Line({}, true), Spaced({"after"}, 1, 1)}}, PageText{{Line({})}}}};
  const Bytes stored = kwen::EncodeText(text, kPages);
  const DocumentText expected{"", {}, {PageText{{Spaced({"after"}, 1, 1, true)}}}};
  EXPECT_EQ(kwen::DecodeText(stored.data(), stored.size(), kPages), expected);
}

TEST(TextLayer, RefusesToStoreWhatItCouldNotReadBack) {
  const std::vector<std::pair<const char*, DocumentText>> cases = {
      {"a word with a space", DocumentText{"", {}, {PageText{{Line({Word{"two words", Box{0, 0, 9, 9}}})}}}}},
      {"an empty word", DocumentText{"", {}, {PageText{{Line({Word{"", Box{0, 0, 9, 9}}})}}}}},
      {"a box turned over", DocumentText{"", {}, {PageText{{Line({Word{"w", Box{9, 0, 0, 9}}})}}}}},
      {"a box left of the page", DocumentText{"", {}, {PageText{{Line({Word{"w", Box{-1, 0, 9, 9}}})}}}}},
      {"not UTF-8", DocumentText{"", {}, {PageText{{Line({Word{"\xC3(", Box{0, 0, 9, 9}}})}}}}},
      {"text past the last page", DocumentText{"", {}, {PageText{}, PageText{}, PageText{}, PageText{{Spaced({"x"}, 0, 0)}}}}},
      {"an outline entry past the pages", DocumentText{"", {{"x", kPages, 0}}, {}}},
      {"an outline entry nested too deep", DocumentText{"", {{"x", 0, 1}}, {}}},
      {"an outline seventeen levels deep", DocumentText{"", DeepOutline(17), {}}},
      {"an outline of 10,001 entries", DocumentText{"", std::vector<kwen::OutlineItem>(10001, {"x", 0, 0}), {}}},
      {"a page of 100,001 words", DocumentText{"", {}, {PageText{std::vector<TextLine>(100001, Spaced({"w"}, 0, 0))}}}},
  };
  EXPECT_NO_THROW(kwen::EncodeText(DocumentText{"", DeepOutline(16), {}}, kPages));
  for (const auto& [name, text] : cases) EXPECT_THROW(kwen::EncodeText(text, kPages), kwen::Error) << name;
}

TEST(TextLayer, RefusesDamagedText) {
  const DocumentText text{"Title", {{"Start", 0, 0}}, {PageText{{Spaced({"some", "words"}, 10, 10)}}}};
  const Bytes stored = kwen::EncodeText(text, kPages);
  // Every cut is refused: each section's length would run past the end.
  for (size_t cut = 1; cut < stored.size(); ++cut) {
    EXPECT_THROW(kwen::DecodeText(stored.data(), cut, kPages), kwen::Error) << "cut to " << cut;
  }
  auto damaged = [&](size_t at, uint8_t value) {
    Bytes copy = stored;
    copy[at] = value;
    return copy;
  };
  const size_t titleTag = 6;  // after the label, the layout and the count of sections
  const std::vector<std::pair<const char*, Bytes>> cases = {
      {"another label", damaged(0, 'X')},
      {"another layout", damaged(4, 2)},
      {"a section more than it holds", damaged(5, 4)},
      {"a section less than it holds", damaged(5, 2)},
      {"a section's size past the end", damaged(titleTag + 4, 0x7F)},
      {"a title that is not UTF-8", damaged(titleTag + 5, 0xFF)},
  };
  for (const auto& [name, bytes] : cases) {
    EXPECT_THROW(kwen::DecodeText(bytes.data(), bytes.size(), kPages), kwen::Error) << name;
  }
  EXPECT_THROW(kwen::DecodeText(stored.data(), stored.size(), 0), kwen::Error) << "fewer pages than the text";
  // Layers of one section of page text, each a way the writer never stores.
  const std::vector<std::pair<const char*, Bytes>> pageTexts = {
      {"a line has no words", Bytes{1, 1, 0, 1, 'a', 20, 20, 4, 0}},
      {"the last page it counts has no words", Bytes{2, 1, 2, 0, 1, 'a', 0, 20, 20, 4, 0}},
      {"a page holds more words than its lines count", Bytes{1, 1, 2, 3, 'a', ' ', 'b', 20, 20, 4, 0}},
      {"a page holds fewer words than its lines count", Bytes{1, 1, 4, 1, 'a', 20, 20, 4, 0, 2, 0, 0, 0}},
  };
  for (const auto& [why, body] : pageTexts) {
    Bytes layer{'K', 'N', 'W', 'T', 1, 1, 'T', 'E', 'X', 'T', static_cast<uint8_t>(body.size())};
    layer.insert(layer.end(), body.begin(), body.end());
    try {
      kwen::DecodeText(layer.data(), layer.size(), kPages);
      ADD_FAILURE() << why << ": not refused";
    } catch (const kwen::Error& error) {
      EXPECT_NE(std::string(error.what()).find(why), std::string::npos) << error.what();
    }
  }
  Bytes good{'K', 'N', 'W', 'T', 1, 1, 'T', 'E', 'X', 'T', 9, 1, 1, 2, 1, 'a', 20, 20, 4, 0};
  EXPECT_EQ(kwen::DecodeText(good.data(), good.size(), kPages).pages.at(0).lines.at(0).words.at(0),
            (Word{"a", Box{10, 10, 11, 12}}));
  Bytes twice = stored;
  ++twice[titleTag - 1];
  twice.insert(twice.end(), stored.begin() + titleTag, stored.begin() + titleTag + 4 + 1 + 5);
  EXPECT_THROW(kwen::DecodeText(twice.data(), twice.size(), kPages), kwen::Error) << "a section twice";
  Bytes unknown = stored;
  ++unknown[titleTag - 1];
  for (const uint8_t byte : Bytes{'N', 'E', 'X', 'T', 2, 'a', 'b'}) unknown.push_back(byte);
  EXPECT_EQ(kwen::DecodeText(unknown.data(), unknown.size(), kPages), text) << "a later layout's section is skipped";
}

// A document of two pages, each a 40 x 30 page with one small box drawn.
Bytes TwoPages() {
  std::vector<Bytes> records;
  for (int32_t page = 0; page < 2; ++page) {
    testing_support::PageWriter writer(40, 30, 1, testing_support::BlackWhite());
    testing_support::SpotCursor cursor{writer};
    cursor.Place(5 + page, 10, 4, 3, testing_support::MaskFromRows({"####", "#..#", "####"}));
    records.push_back(writer.record);
  }
  return testing_support::AssembleDocument(records);
}

Bytes Packed(const Bytes& unpacked) { return PackBytes(unpacked.data(), unpacked.size(), Switches{}); }

TEST(DocumentText, DocumentsKeepTheirTextAfterThePages) {
  const Bytes pages = TwoPages();
  const DocumentText text{"Two pages", {{"Second", 1, 0}}, {PageText{{Spaced({"first"}, 1, 1)}}, PageText{{Spaced({"second"}, 2, 2)}}}};
  Bytes withText = pages;
  const Bytes stored = kwen::EncodeText(text, 2);
  withText.insert(withText.end(), stored.begin(), stored.end());
  const kwen::Document plain = kwen::Document::FromBytes(pages, "plain.bs");
  for (const auto& [name, bytes] : std::vector<std::pair<std::string, Bytes>>{
           {"unpacked.bs", withText}, {"packed.kwen", Packed(withText)}}) {
    const kwen::Document document = kwen::Document::FromBytes(bytes, name);
    EXPECT_EQ(document.Text(), text) << name;
    EXPECT_EQ(document.Unpacked(), withText) << name;
    EXPECT_EQ(document.Progress().total, static_cast<int64_t>(pages.size())) << name;
    for (int32_t page = 0; page < 2; ++page) {
      EXPECT_EQ(document.PageAsBmp(page), plain.PageAsBmp(page)) << name << " page " << page;
    }
  }
  EXPECT_EQ(plain.Text(), DocumentText{});
  EXPECT_EQ(kwen::Document::FromBytes(Packed(pages), "plain.kwen").Text(), DocumentText{});
}

TEST(DocumentText, DamagedTextIsRefusedWhileThePagesStillOpen) {
  const Bytes pages = TwoPages();
  const Bytes stored = kwen::EncodeText(DocumentText{"T", {}, {PageText{{Spaced({"word"}, 1, 1)}}}}, 2);
  Bytes damaged = pages;
  damaged.insert(damaged.end(), stored.begin(), stored.end() - 2);  // cut inside the page text
  Bytes packedCut = Packed(damaged);
  packedCut.resize(packedCut.size() - 1);  // the stream's end mark gone too
  for (const auto& [name, bytes] : std::vector<std::pair<std::string, Bytes>>{
           {"unpacked.bs", damaged}, {"packed.kwen", Packed(damaged)}, {"cut.kwen", packedCut}}) {
    const kwen::Document document = kwen::Document::FromBytes(bytes, name);
    EXPECT_THROW(document.Text(), kwen::Error) << name;
    EXPECT_EQ(document.PageAsBmp(1), kwen::Document::FromBytes(pages, "plain.bs").PageAsBmp(1)) << name;
  }
}

TEST(DocumentText, TextPastItsBoundIsRefused) {
  Bytes huge = TwoPages();
  huge.resize(huge.size() + (size_t{64} << 20) + 1, 'x');
  try {
    kwen::Document::FromBytes(huge, "huge.bs").Text();
    FAIL() << "no error";
  } catch (const kwen::Error& error) {
    EXPECT_STREQ(error.what(), "The document's text is larger than it may be");
  }
}

// Text read while other threads build pages, restoring the same stream.
TEST(DocumentText, ReadWhilePagesBuild) {
  const DocumentText text{"", {}, {PageText{{Spaced({"first"}, 1, 1)}}, PageText{{Spaced({"second"}, 2, 2)}}}};
  Bytes withText = TwoPages();
  const Bytes stored = kwen::EncodeText(text, 2);
  withText.insert(withText.end(), stored.begin(), stored.end());
  const Bytes expected = kwen::Document::FromBytes(withText, "plain.bs").PageAsBmp(1);
  for (int round = 0; round < 20; ++round) {
    const kwen::Document document = kwen::Document::FromBytes(Packed(withText), "book.kwen");
    std::thread builder([&] { EXPECT_EQ(document.PageAsBmp(1), expected); });
    EXPECT_EQ(document.Text(), text);
    builder.join();
  }
}

struct SearchCase {
  const char* query;
  std::vector<std::pair<int32_t, std::vector<Box>>> hits;  // page and boxes of each hit
};

TEST(FindText, FindsWordsWhateverTheirCaseAndLineBreaks) {
  PageText first;
  first.lines.push_back(Line({Word{"The", Box{0, 0, 30, 10}}, Word{"quick", Box{40, 0, 90, 10}},
                              Word{"BROWN", Box{100, 0, 150, 10}}, Word{"docu-", Box{160, 0, 210, 10}}}));
  first.lines.push_back(Line({Word{"ment", Box{0, 20, 40, 30}}, Word{"Straße", Box{50, 20, 110, 30}},
                              Word{"ﬁnd", Box{120, 20, 150, 30}}}));
  PageText second;
  second.lines.push_back(Line({Word{"the", Box{5, 5, 35, 15}}, Word{"end.", Box{45, 5, 85, 15}}}));
  const DocumentText text{"", {}, {first, PageText{}, second}};
  const std::vector<SearchCase> cases = {
      {"the", {{0, {Box{0, 0, 30, 10}}}, {2, {Box{5, 5, 35, 15}}}}},
      {"QUICK brown", {{0, {Box{40, 0, 90, 10}, Box{100, 0, 150, 10}}}}},
      {"  quick   brown ", {{0, {Box{40, 0, 90, 10}, Box{100, 0, 150, 10}}}}},
      {"document", {{0, {Box{160, 0, 200, 10}, Box{0, 20, 40, 30}}}}},  // the hyphen left out
      {"brown document", {{0, {Box{100, 0, 150, 10}, Box{160, 0, 200, 10}, Box{0, 20, 40, 30}}}}},
      {"uic", {{0, {Box{50, 0, 80, 10}}}}},  // the middle three of five letters
      {"STRASSE", {}},
      {"straße", {{0, {Box{50, 20, 110, 30}}}}},
      {"find", {{0, {Box{120, 20, 150, 30}}}}},  // a ligature spelled out
      {"ment straße", {{0, {Box{0, 20, 40, 30}, Box{50, 20, 110, 30}}}}},
      {"end. the", {}},  // pages are searched one at a time
      {"", {}},
      {"   ", {}},
      {"\xFF", {}},
  };
  for (const SearchCase& example : cases) {
    const std::vector<kwen::TextHit> hits = kwen::FindText(text, example.query);
    ASSERT_EQ(hits.size(), example.hits.size()) << example.query;
    for (size_t k = 0; k < hits.size(); ++k) {
      EXPECT_EQ(hits[k].page, example.hits[k].first) << example.query;
      EXPECT_EQ(hits[k].boxes, example.hits[k].second) << example.query;
    }
  }
}

TEST(FindText, StopsAtTheHitsAskedForAndBearsAnyBytes) {
  PageText page;
  page.lines.push_back(Spaced({"a", "a", "a", "\xF0"}, 0, 0));  // a word cut in its last letter
  const DocumentText text{"", {}, {page}};
  EXPECT_EQ(kwen::TextSearch(text).Find("a", 2).size(), 2u);
  EXPECT_EQ(kwen::TextSearch(text).Find("a").size(), 3u);
  EXPECT_EQ(kwen::FindText(text, "\xEF\xBF\xBD").size(), 1u);  // the cut letter reads as U+FFFD
}

TEST(PlainText, LinesInReadingOrderWithBlocksApart) {
  PageText page;
  page.lines = {Spaced({"One", "two"}, 0, 0, true), Spaced({"three"}, 0, 40), Spaced({"Four"}, 0, 90, true)};
  EXPECT_EQ(kwen::PlainText(page), "One two\nthree\n\nFour\n");
}

}  // namespace
