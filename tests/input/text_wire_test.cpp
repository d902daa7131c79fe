// The bytes a drawing child sends with a page or about its file: what the
// reader takes, and what it refuses.
#include "input/text_wire.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

std::vector<PlacedWord> SomeWords() {
  return {PlacedWord{"Hello", 1.5, 2.25, 30, 12, 0, true}, PlacedWord{"w\xC3\xB6rld", 31, 2, 60.75, 12, 3, false}};
}

void ExpectSameWords(const std::vector<PlacedWord>& got, const std::vector<PlacedWord>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].text, want[i].text);
    EXPECT_EQ(got[i].left, want[i].left);
    EXPECT_EQ(got[i].top, want[i].top);
    EXPECT_EQ(got[i].right, want[i].right);
    EXPECT_EQ(got[i].bottom, want[i].bottom);
    EXPECT_EQ(got[i].turns, want[i].turns);
    EXPECT_EQ(got[i].spaceAfter, want[i].spaceAfter);
  }
}

std::string WithCount(uint32_t count) {
  std::string bytes(sizeof count, '\0');
  std::memcpy(&bytes[0], &count, sizeof count);
  return bytes;
}

// The bytes of `words` as a child past the bounds would send them: each
// word as one of its own, under one count.
std::string PastTheBounds(const std::vector<PlacedWord>& words) {
  std::string bytes = WithCount(static_cast<uint32_t>(words.size())), one, error;
  for (const PlacedWord& word : words) {
    PlacedWord within = word;
    within.text.resize(std::min(word.text.size(), kLongestWordBytes));
    EXPECT_TRUE(EncodeWords({within}, one, error)) << error;
    const size_t textAt = one.size() - within.text.size() - sizeof(uint32_t);
    const uint32_t size = static_cast<uint32_t>(word.text.size());
    std::memcpy(&one[textAt], &size, sizeof size);
    bytes += one.substr(sizeof(uint32_t), textAt) + word.text;
  }
  return bytes;
}

TEST(TextWire, WordsComeThroughWholeAndAnythingElseIsRefused) {
  std::string bytes, error;
  ASSERT_TRUE(EncodeWords(SomeWords(), bytes, error)) << error;
  EXPECT_EQ(PastTheBounds(SomeWords()), bytes);
  std::vector<PlacedWord> words;
  std::string dropped;
  ASSERT_TRUE(DecodeWords(bytes, words, dropped));
  ExpectSameWords(words, SomeWords());
  // Cut anywhere, or with more after the end.
  for (size_t size = 0; size < bytes.size(); ++size) EXPECT_FALSE(DecodeWords(bytes.substr(0, size), words, dropped)) << size;
  EXPECT_FALSE(DecodeWords(bytes + "x", words, dropped));
  // Whole, but past the bounds: too many words, a word too long, too much
  // text in all.
  const PlacedWord word{"w", 0, 0, 1, 1, 0, true};
  const PlacedWord longest{std::string(kLongestWordBytes, 'q'), 0, 0, 1, 1, 0, true};
  const std::vector<PlacedWord> pastTheBounds[] = {
      std::vector<PlacedWord>(kLargestPageWords + 1, word),
      {PlacedWord{std::string(kLongestWordBytes + 1, 'l'), 0, 0, 1, 1, 0, true}},
      std::vector<PlacedWord>(kLargestPageTextBytes / kLongestWordBytes + 1, longest),
  };
  for (const std::vector<PlacedWord>& past : pastTheBounds) {
    EXPECT_FALSE(DecodeWords(PastTheBounds(past), words, dropped)) << past.size();
    // One word fewer, or the one word cut to the bound, is taken.
    std::vector<PlacedWord> within(past.begin(), past.end() - (past.size() > 1 ? 1 : 0));
    within.back().text.resize(std::min(within.back().text.size(), kLongestWordBytes));
    EXPECT_TRUE(DecodeWords(PastTheBounds(within), words, dropped)) << within.size();
  }
}

TEST(TextWire, TheChildRefusesPagesOfMoreTextThanTheBounds) {
  struct Case {
    std::vector<PlacedWord> words;
    std::string error;
  };
  const PlacedWord word{"w", 0, 0, 1, 1, 0, true};
  const PlacedWord quarter{std::string(kLongestWordBytes, 'q'), 0, 0, 1, 1, 0, true};
  const Case cases[] = {
      {std::vector<PlacedWord>(kLargestPageWords, word), ""},
      {std::vector<PlacedWord>(kLargestPageWords + 1, word), "holds more than 100000 words"},
      {{PlacedWord{std::string(kLongestWordBytes + 1, 'l'), 0, 0, 1, 1, 0, true}}, "holds a word of more than 4096"},
      {std::vector<PlacedWord>(kLargestPageTextBytes / kLongestWordBytes + 1, quarter),
       "holds more than 4 MiB of text"},
  };
  for (const Case& test : cases) {
    std::string bytes, error;
    EXPECT_EQ(EncodeWords(test.words, bytes, error), test.error.empty());
    EXPECT_EQ(error.rfind(test.error, 0), 0u) << error;
    std::vector<PlacedWord> words;
    std::string dropped;
    EXPECT_EQ(DecodeWords(bytes, words, dropped), test.error.empty());
  }
}

// A page whose words the child leaves out comes through as that, with why;
// a reason cut short, with more after it, empty or holding controls is
// refused.
TEST(TextWire, WordsLeftOutComeThroughWithWhy) {
  struct Case {
    std::string bytes;
    bool taken;
  };
  const std::string why = "holds more than 100000 words, more text than a page can keep";
  const std::string sent = DroppedWordsBytes(why);
  const Case cases[] = {
      {sent, true},
      {sent.substr(0, sent.size() - 1), false},
      {sent + "x", false},
      {DroppedWordsBytes(""), false},
      {DroppedWordsBytes("two\nlines"), false},
  };
  for (const Case& test : cases) {
    std::vector<PlacedWord> words;
    std::string dropped;
    EXPECT_EQ(DecodeWords(test.bytes, words, dropped), test.taken) << test.bytes.size();
    EXPECT_TRUE(words.empty());
    if (test.taken) {
      EXPECT_EQ(dropped, why);
    }
  }
  std::vector<PlacedWord> words;
  std::string dropped = "stale";
  std::string bytes, error;
  ASSERT_TRUE(EncodeWords(SomeWords(), bytes, error)) << error;
  ASSERT_TRUE(DecodeWords(bytes, words, dropped));
  EXPECT_EQ(dropped, "");
}

TEST(TextWire, AnOutlineIsTakenOnlyWellNestedOnThePages) {
  struct Case {
    std::vector<kwen::OutlineItem> outline;
    bool taken;
  };
  const std::string longest(kLongestTitleBytes, 't');
  const Case cases[] = {
      {{{"One", 0, 0}, {"One.one", 2, 1}, {"One.one.one", 2, 2}, {"Two", 1, 0}}, true},
      {{{longest, 0, 0}}, true},
      {{{longest + "t", 0, 0}}, false},
      {{{"Deep", 0, 1}}, false},                     // nested below nothing
      {{{"One", 0, 0}, {"Too deep", 0, 2}}, false},  // skips a level
      {{{"Past", 3, 0}}, false},                     // the file has 3 pages
      {{{"Before", -1, 0}}, false},
  };
  for (const Case& test : cases) {
    const std::string bytes = EncodeTitleAndOutline("Title", test.outline);
    std::string title;
    std::vector<kwen::OutlineItem> outline;
    EXPECT_EQ(DecodeTitleAndOutline(bytes, 3, title, outline), test.taken) << test.outline.front().title;
    if (!test.taken) continue;
    EXPECT_EQ(title, "Title");
    EXPECT_EQ(outline, test.outline);
    for (size_t size = 0; size < bytes.size(); ++size) {
      EXPECT_FALSE(DecodeTitleAndOutline(bytes.substr(0, size), 3, title, outline)) << size;
    }
  }
  std::vector<kwen::OutlineItem> deepest;
  for (int32_t level = 0; level <= kDeepestOutlineLevel + 1; ++level) deepest.push_back({"L", 0, level});
  std::string title;
  std::vector<kwen::OutlineItem> outline;
  EXPECT_FALSE(DecodeTitleAndOutline(EncodeTitleAndOutline("", deepest), 1, title, outline));
  deepest.pop_back();
  EXPECT_TRUE(DecodeTitleAndOutline(EncodeTitleAndOutline("", deepest), 1, title, outline));
  EXPECT_FALSE(DecodeTitleAndOutline(WithCount(0) + WithCount(kLargestOutline + 1), 1, title, outline));
}

}  // namespace
