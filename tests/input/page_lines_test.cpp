// A page's words made into lines and blocks, and the text cleaned for it.
#include "input/page_lines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "input/text_cleaning.h"

namespace {

constexpr int32_t kWidth = 200;
constexpr int32_t kHeight = 100;

PlacedWord Placed(const std::string& text, double left, double top, double right, double bottom, bool spaceAfter = true,
                  int32_t turns = 0) {
  return PlacedWord{text, left, top, right, bottom, turns, spaceAfter};
}

// Each line as its words "text@left,top,right,bottom", "+" before a line
// that starts a block.
std::vector<std::string> Described(const kwen::PageText& text) {
  std::vector<std::string> lines;
  for (const kwen::TextLine& line : text.lines) {
    std::string described = line.startsBlock ? "+" : "";
    for (const kwen::Word& word : line.words) {
      const kwen::Box& box = word.box;
      described += (&word == &line.words.front() ? "" : " ") + word.text + "@" + std::to_string(box.left) + "," +
                   std::to_string(box.top) + "," + std::to_string(box.right) + "," + std::to_string(box.bottom);
    }
    lines.push_back(described);
  }
  return lines;
}

struct LayoutCase {
  const char* name;
  std::vector<PlacedWord> words;
  std::vector<std::string> lines;
};

TEST(LayOutWords, WordsBecomeLinesAndBlocks) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const LayoutCase cases[] = {
      {"words beside one another make a line",
       {Placed("one", 0, 0, 30, 10), Placed("two", 35, 1, 60, 11), Placed("three", 65, 0, 100, 10)},
       {"+one@0,0,30,10 two@35,1,60,11 three@65,0,100,10"}},
      {"spaces and controls part a word, its box shared out",
       {Placed("ab cd\001ef", 0, 0, 80, 10)},
       {"+ab@0,0,20,10 cd@30,0,50,10 ef@60,0,80,10"}},
      {"parts with no space between join",
       {Placed("Bold", 0, 0, 40, 10, false), Placed("face", 40, 0, 80, 12)},
       {"+Boldface@0,0,80,12"}},
      {"a word with a space before it does not join the last",
       {Placed("end", 0, 0, 30, 10, false), Placed(" start", 30, 0, 90, 10)},
       {"+end@0,0,30,10 start@40,0,90,10"}},
      {"parts far apart stay apart",
       {Placed("left", 0, 0, 40, 10, false), Placed("right", 100, 0, 150, 10)},
       {"+left@0,0,40,10 right@100,0,150,10"}},
      {"a word back at the left starts a line, not joined",
       {Placed("hy-", 0, 0, 30, 10, false), Placed("phen", 0, 12, 40, 22)},
       {"+hy-@0,0,30,10", "phen@0,12,40,22"}},
      {"fractions round outwards; edges off the page are cut; words off it go",
       {Placed("in", 10.4, 20.6, 29.5, 30.2), Placed("edge", -10, -5, 20, 10), Placed("off", 210, 0, 230, 10),
        Placed("nan", nan, 0, 10, 10), Placed("under", 0, 100, 20, 110)},
       {"+in@10,20,30,31", "+edge@0,0,20,10"}},
      {"a box given corner to corner the wrong way round", {Placed("turned", 30, 10, 20, 0)}, {"+turned@20,0,30,10"}},
      {"a word of no width still covers a pixel", {Placed("thin", 199.5, 5, 199.5, 15)}, {"+thin@199,5,200,15"}},
      {"bytes that are not UTF-8, and a word of spaces only",
       {Placed("\377ok", 0, 0, 30, 10), Placed(" \t", 40, 0, 50, 10)},
       {"+\357\277\275ok@0,0,30,10"}},  // U+FFFD
      {"a block after a gap of more than a line and a half, after a line above, beside, or of another size",
       {Placed("a", 0, 0, 10, 10), Placed("b", 0, 12, 10, 22), Placed("c", 0, 38, 10, 48), Placed("d", 0, 5, 10, 15),
        Placed("e", 50, 20, 60, 30), Placed("f", 50, 32, 80, 52), Placed("g", 50, 54, 80, 74)},
       {"+a@0,0,10,10", "b@0,12,10,22", "+c@0,38,10,48", "+d@0,5,10,15", "+e@50,20,60,30", "+f@50,32,80,52",
        "g@50,54,80,74"}},
      {"text running down, lines following leftwards",
       {Placed("a", 90, 0, 100, 20, true, 1), Placed("b", 90, 25, 100, 40, true, 1),
        Placed("c", 78, 0, 88, 30, true, 1), Placed("d", 60, 0, 70, 30, true, 3)},
       {"+a@90,0,100,20 b@90,25,100,40", "c@78,0,88,30", "+d@60,0,70,30"}},
      {"upside down: words run leftwards",
       {Placed("a", 80, 50, 100, 60, false, 2), Placed("b", 60, 50, 80, 60, true, 2),
        Placed("c", 30, 50, 50, 60, true, 2)},
       {"+ab@60,50,100,60 c@30,50,50,60"}},
  };
  for (const LayoutCase& test : cases) {
    EXPECT_EQ(Described(LayOutWords(test.words, kWidth, kHeight)), test.lines) << test.name;
  }
}

TEST(TextCleaning, BrokenUtf8IsRepairedAndTitlesKeptToOneLine) {
  struct Case {
    std::string text;
    std::string repaired;
    std::string title;  // at most 8 bytes
  };
  const std::string replacement = "\xEF\xBF\xBD";
  const Case cases[] = {
      {"plain", "plain", "plain"},
      {"  two\t\n words ", "  two\t\n words ", "two word"},
      {"caf\xC3\xA9", "caf\xC3\xA9", "caf\xC3\xA9"},
      {"caf\xC3", "caf" + replacement, "caf" + replacement},                                 // cut short
      {"\xC0\xAF", replacement + replacement, replacement + replacement},                    // overlong
      {"\xED\xA0\x80", replacement + replacement + replacement, replacement + replacement},  // a surrogate
      {"abcdefg\xC3\xA9", "abcdefg\xC3\xA9", "abcdefg"},                            // not cut inside the last letter
      {"a\302\240b\343\200\200c\177d", "a\302\240b\343\200\200c\177d", "a b c d"},  // other spaces, a control
  };
  for (const Case& test : cases) {
    EXPECT_EQ(RepairUtf8(test.text), test.repaired) << test.text;
    EXPECT_EQ(CleanTitle(test.text, 8), test.title) << test.text;
  }
}

}  // namespace
