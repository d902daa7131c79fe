// The words, title and outline PDF inputs bring with their pages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "input/input_pages.h"
#include "input/text_wire.h"
#include "tests/input/small_pdf.h"
#include "tests/test_support.h"

using namespace testing_support;

namespace {

constexpr double kPointsPerInch = 72.0;
// Poppler's boxes reach from the font's ascent to its descent; Helvetica's
// are 0.718 and 0.207 of its size.
constexpr double kAscent = 0.718;
constexpr double kDescent = 0.207;
// Rounding outwards, and the drawing's own, at either side.
constexpr int32_t kSlackPixels = 2;
constexpr uint8_t kInk = 128;

struct TestPage {
  std::string entries;  // added to the page's dictionary: /Rotate, /CropBox
  std::string content;
  std::string size = "400 300";  // in points
};

// Pages in Helvetica (/F1) and Helvetica-Bold (/F2);
// `catalogEntries` may name objects from `firstExtra` on, which `extras`
// holds.
std::string TextPdf(const std::vector<TestPage>& pages, const std::string& catalogEntries = "",
                    const std::vector<std::string>& extras = {}, const std::string& trailerEntries = "") {
  SmallPdf pdf;
  const int catalog = pdf.Add("");
  const int tree = pdf.Add("");
  const int regular = pdf.Add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  const int bold = pdf.Add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold >>");
  for (const std::string& extra : extras) pdf.Add(extra);
  std::string kids;
  for (const TestPage& page : pages) {
    const int contents = pdf.AddStream(page.content);
    kids += Ref(pdf.Add("<< /Type /Page /Parent " + Ref(tree) + " /MediaBox [0 0 " + page.size +
                        "] /Resources << /Font << /F1 " + Ref(regular) + " /F2 " + Ref(bold) + " >> >> /Contents " +
                        Ref(contents) + " " + page.entries + " >>")) +
            " ";
  }
  pdf.Set(catalog, "<< /Type /Catalog /Pages " + Ref(tree) + " " + catalogEntries + " >>");
  pdf.Set(tree, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>");
  return pdf.Bytes(catalog, trailerEntries);
}
// The number TextPdf gives the first of its extras, and its first page.
constexpr int kFirstExtra = 5;

InputFile WrittenInput(const std::string& name, const std::string& pdf) {
  const std::string path = TempPath(name);
  WriteFileBytes(path, BytesOf(pdf));
  std::vector<InputFile> inputs;
  std::string error;
  EXPECT_TRUE(ResolveInputs({path}, inputs, error)) << error;
  return inputs.empty() ? InputFile() : inputs[0];
}

bool ReadPage(const InputFile& input, int32_t page, int32_t dotsPerInch, PageImage& image, std::string& error) {
  InputReader reader;
  if (!OpenInputReader(input, reader, error)) return false;
  const bool read = ReadInputPage(reader, page, dotsPerInch, DrawingLimits(), image, error);
  CloseInputReader(reader);
  return read;
}

bool ReadTitleAndOutline(const InputFile& input, std::string& title, std::vector<kwen::OutlineItem>& outline,
                         std::string& error) {
  InputReader reader;
  if (!OpenInputReader(input, reader, error)) return false;
  const bool read = ReadInputTitleAndOutline(reader, DrawingLimits(), title, outline, error);
  CloseInputReader(reader);
  return read;
}

// A page's lines, each as its words with spaces between, "+" before those
// that start a block.
std::vector<std::string> LinesOf(const kwen::PageText& text) {
  std::vector<std::string> lines;
  for (const kwen::TextLine& line : text.lines) {
    std::string words = line.startsBlock ? "+" : "";
    for (const kwen::Word& word : line.words) words += (&word == &line.words.front() ? "" : " ") + word.text;
    lines.push_back(words);
  }
  return lines;
}

const kwen::Word* FindWord(const kwen::PageText& text, const std::string& wanted) {
  for (const kwen::TextLine& line : text.lines) {
    for (const kwen::Word& word : line.words) {
      if (word.text == wanted) return &word;
    }
  }
  return nullptr;
}

bool IsInk(const PageImage& image, int32_t x, int32_t y) {
  return image.rgb[(static_cast<size_t>(y) * image.width + x) * 3] < kInk;
}

bool Inside(const kwen::Box& box, int32_t x, int32_t y, int32_t margin) {
  return x >= box.left - margin && x < box.right + margin && y >= box.top - margin && y < box.bottom + margin;
}

// --- Words over the drawn glyphs.

struct Placement {
  const char* name;
  const char* entries;
  double cropLeft, cropBottom, cropRight, cropTop;  // the page's crop box in points
  int32_t rotate;                                   // quarter turns clockwise
};

// Where a rectangle of the page (points, rows up from the bottom) is drawn
// at `dotsPerInch`: within the crop box, turned as the page says.
kwen::Box DrawnBox(const Placement& place, double left, double bottom, double right, double top, int32_t dotsPerInch) {
  const double scale = dotsPerInch / kPointsPerInch;
  double width = place.cropRight - place.cropLeft, height = place.cropTop - place.cropBottom;
  // Unturned: from the crop box's top left corner, rows downwards.
  double x0 = left - place.cropLeft, x1 = right - place.cropLeft;
  double y0 = place.cropTop - top, y1 = place.cropTop - bottom;
  for (int32_t turn = 0; turn < place.rotate; ++turn) {  // each a quarter clockwise
    const double turnedX0 = height - y1, turnedX1 = height - y0;
    y0 = x0;
    y1 = x1;
    x0 = turnedX0;
    x1 = turnedX1;
    std::swap(width, height);
  }
  return kwen::Box{static_cast<int32_t>(std::lround(x0 * scale)), static_cast<int32_t>(std::lround(y0 * scale)),
                   static_cast<int32_t>(std::lround(x1 * scale)), static_cast<int32_t>(std::lround(y1 * scale))};
}

TEST(PdfWords, BoxesLieOverTheGlyphsDrawnAtEachResolutionAndTurn) {
  const Placement placements[] = {
      {"upright", "", 0, 0, 400, 300, 0},
      {"turned a quarter", "/Rotate 90", 0, 0, 400, 300, 1},
      {"upside down in a crop box", "/Rotate 180 /CropBox [50 100 350 280]", 50, 100, 350, 280, 2},
      {"turned back in a crop box", "/Rotate 270 /CropBox [50 100 350 280]", 50, 100, 350, 280, 3},
  };
  std::vector<TestPage> pages;
  for (const Placement& place : placements) {
    pages.push_back(
        {place.entries, "BT /F1 24 Tf 100 200 Td (Hello World) Tj ET BT /F1 10 Tf 120 150 Td (small) Tj ET"});
  }
  const InputFile input = WrittenInput("words.pdf", TextPdf(pages));
  // "Hello" in Helvetica: H, e, l, l, o are 722, 556, 222, 222 and 556
  // thousandths of the size wide.
  const double helloWidth = 24 * 2.278;
  for (const int32_t dotsPerInch : {72, 150}) {
    for (size_t page = 0; page < pages.size(); ++page) {
      const Placement& place = placements[page];
      SCOPED_TRACE(std::string(place.name) + " at " + std::to_string(dotsPerInch) + " dpi");
      PageImage image;
      std::string error;
      ASSERT_TRUE(ReadPage(input, static_cast<int32_t>(page) + 1, dotsPerInch, image, error)) << error;
      // The reading order of lines turned back is the library's own.
      std::vector<std::string> lines = LinesOf(image.text);
      std::sort(lines.begin(), lines.end());
      EXPECT_EQ(lines, (std::vector<std::string>{"+Hello World", "+small"}));
      const kwen::Word* hello = FindWord(image.text, "Hello");
      ASSERT_NE(hello, nullptr);
      const kwen::Box want =
          DrawnBox(place, 100, 200 - kDescent * 24, 100 + helloWidth, 200 + kAscent * 24, dotsPerInch);
      for (const auto& [got, wanted] : {std::pair<int32_t, int32_t>{hello->box.left, want.left},
                                        {hello->box.top, want.top},
                                        {hello->box.right, want.right},
                                        {hello->box.bottom, want.bottom}}) {
        EXPECT_NEAR(got, wanted, kSlackPixels);
      }
      // Every word over ink, and no ink outside the words.
      for (const kwen::TextLine& line : image.text.lines) {
        for (const kwen::Word& word : line.words) {
          int64_t inked = 0;
          for (int32_t y = word.box.top; y < word.box.bottom; ++y) {
            for (int32_t x = word.box.left; x < word.box.right; ++x) inked += IsInk(image, x, y);
          }
          EXPECT_GT(inked, 0) << word.text;
        }
      }
      int64_t strays = 0;
      for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
          bool covered = false;
          for (const kwen::TextLine& line : image.text.lines) {
            for (const kwen::Word& word : line.words) covered = covered || Inside(word.box, x, y, 1);
          }
          strays += IsInk(image, x, y) && !covered;
        }
      }
      EXPECT_EQ(strays, 0);
    }
  }
}

// --- Lines and blocks.

TEST(PdfWords, LinesAndBlocksFollowTheReadingOrder) {
  // A heading; a paragraph of three lines, and one of two after a gap, its
  // second line with a word of letters of two sizes, which the library
  // gives as three; a second column.
  const std::string content =
      "BT /F1 20 Tf 30 270 Td (Heading) Tj ET "
      "BT /F1 10 Tf 12 TL 30 240 Td (Alpha beta gamma) Tj T* (delta epsilon) Tj T* (zeta) Tj ET "
      "BT /F1 10 Tf 12 TL 30 180 Td (Eta theta) Tj T* (Water is H) Tj /F1 6 Tf -2 Ts (2) Tj /F1 10 Tf 0 Ts (O) Tj ET "
      "BT /F1 10 Tf 12 TL 220 240 Td (Iota kappa) Tj T* (lambda) Tj ET";
  const InputFile input = WrittenInput("lines.pdf", TextPdf({{"", content}}));
  PageImage image;
  std::string error;
  ASSERT_TRUE(ReadPage(input, 1, 100, image, error)) << error;
  EXPECT_EQ(LinesOf(image.text), (std::vector<std::string>{"+Heading", "+Alpha beta gamma", "delta epsilon", "zeta",
                                                           "+Eta theta", "Water is H2O", "+Iota kappa", "lambda"}));
}

TEST(PdfWords, APageOfShapesOnlyHasNoText) {
  const InputFile input = WrittenInput("shapes.pdf", TextPdf({{"", "0 g 10 10 200 100 re f 1 w 0 0 m 400 300 l S"}}));
  PageImage image;
  std::string error;
  ASSERT_TRUE(ReadPage(input, 1, 100, image, error)) << error;
  EXPECT_GT(std::count(image.rgb.begin(), image.rgb.end(), 0), 0);
  EXPECT_TRUE(image.text.Empty());
}

// A page with more text than a page keeps is drawn without its words,
// saying why, and the next page of the file reads on.
TEST(PdfWords, APageOfTooMuchTextKeepsItsPixelsWithoutItsWords) {
  struct Case {
    const char* name;
    TestPage page;
    std::string error;
  };
  // Lines of "a" at 6 points, 250 to a line of 1300 points, 6.6 points apart;
  // one word of "a" at 1 point, each 0.556 wide.
  constexpr size_t kWordsInALine = 250;
  const size_t lineCount = kLargestPageWords / kWordsInALine + 1;
  std::string lines = "BT /F1 6 Tf 6.6 TL 0 " + std::to_string(6.6 * lineCount) + " Td";
  for (size_t line = 0; line < lineCount; ++line) {
    lines += " (";
    for (size_t word = 0; word < kWordsInALine; ++word) lines += "a ";
    lines += ") '";
  }
  const Case cases[] = {
      {"many words",
       {"", lines + " ET", "1300 " + std::to_string(6.6 * lineCount + 10)},
       "holds more than " + std::to_string(kLargestPageWords) + " words"},
      {"a long word",
       {"", "BT /F1 1 Tf 1 10 Td (" + std::string(kLongestWordBytes + 1, 'a') + ") Tj ET", "2400 20"},
       "holds a word of more than " + std::to_string(kLongestWordBytes) + " bytes"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    const InputFile input = WrittenInput("much.pdf", TextPdf({test.page, {"", "BT /F1 10 Tf 10 10 Td (Next) Tj ET"}}));
    InputReader reader;
    std::string error;
    ASSERT_TRUE(OpenInputReader(input, reader, error)) << error;
    PageImage image;
    ASSERT_TRUE(ReadInputPage(reader, 1, 72, DrawingLimits(), image, error)) << error;
    EXPECT_GT(image.width, 0);
    EXPECT_EQ(image.textDropped.rfind(test.error, 0), 0u) << image.textDropped;
    EXPECT_TRUE(image.text.Empty());
    ASSERT_TRUE(ReadInputPage(reader, 2, 72, DrawingLimits(), image, error)) << error;
    EXPECT_EQ(LinesOf(image.text), std::vector<std::string>{"+Next"});
    EXPECT_EQ(image.textDropped, "");
    CloseInputReader(reader);
  }
}

// --- Title and outline.

// The object TextPdf gives page `page` (from 0) of a file with `extras`.
int PageObject(size_t extras, int page) { return kFirstExtra + static_cast<int>(extras) + 2 * page + 1; }

std::string Fit(size_t extras, int page) { return "[" + Ref(PageObject(extras, page)) + " /Fit]"; }

// An outline entry: its title, the entries after it and below it (0 for
// none), and what leads to its page.
std::string Entry(const std::string& title, int next, int first, const std::string& target) {
  std::string entry = "<< /Title " + title;
  if (next > 0) entry += " /Next " + Ref(next);
  if (first > 0) entry += " /First " + Ref(first);
  return entry + " " + target + " >>";
}

std::string OutlinesObject(int first) { return "<< /Type /Outlines /First " + Ref(first) + " >>"; }

TEST(PdfOutline, TheTitleAndTheEntriesWithTheirPagesAndLevels) {
  constexpr size_t kExtras = 10;
  const int first = kFirstExtra + 1;
  const std::vector<std::string> extras = {
      OutlinesObject(first),
      Entry("(Chapter one)", first + 3, first + 1, "/Dest " + Fit(kExtras, 0)),
      Entry("(Section 1.1)", first + 2, 0, "/A << /S /GoTo /D [" + Ref(PageObject(kExtras, 1)) + " /XYZ 0 0 0] >>"),
      Entry("(Section 1.2)", 0, 0, "/Dest /second"),  // by name, in the catalog's /Dests
      // No page of its own: its first child's.
      Entry(Utf16String(u"Chapitre deux, \u00E9t\u00E9"), first + 5, first + 4, ""),
      Entry("(By a string)", 0, 0, "/Dest (intro)"),                                       // in the name tree
      Entry("(A link out)", first + 6, 0, "/A << /S /URI /URI (http://example.com/) >>"),  // no page: left out
      Entry("(Back\tto\nstart )", first + 7, 0, "/Dest " + Fit(kExtras, 0)),
      Entry("(Not a page)", first + 8, 0, "/Dest [" + Ref(first) + " /Fit]"),  // left out
      "<< /Title (The book) /Author (Someone) >>",
  };
  ASSERT_EQ(extras.size(), kExtras);
  const std::string catalog = "/Outlines " + Ref(kFirstExtra) + " /Dests << /second " + Fit(kExtras, 2) +
                              " >> /Names << /Dests << /Names [(intro) " + Fit(kExtras, 3) + "] >> >>";
  const std::vector<TestPage> pages(4, TestPage{"", "BT /F1 10 Tf 10 10 Td (Page) Tj ET"});
  const InputFile input = WrittenInput("outline.pdf", TextPdf(pages, catalog, extras, "/Info " + Ref(kFirstExtra + 9)));
  std::string title, error;
  std::vector<kwen::OutlineItem> outline;
  ASSERT_TRUE(ReadTitleAndOutline(input, title, outline, error)) << error;
  EXPECT_EQ(title, "The book");
  const std::vector<kwen::OutlineItem> want = {
      {"Chapter one", 0, 0}, {"Section 1.1", 1, 1},   {"Section 1.2", 2, 1}, {"Chapitre deux, \u00E9t\u00E9", 3, 0},
      {"By a string", 3, 1}, {"Back to start", 0, 0},
  };
  EXPECT_EQ(outline, want);
}

TEST(PdfOutline, FilesWithoutThemAndOtherInputsHaveNone) {
  const std::string pbm = TempPath("dot.pbm");
  WriteFileBytes(pbm, BytesOf("P1 1 1 0\n"));
  std::vector<InputFile> inputs;
  std::string error;
  ASSERT_TRUE(ResolveInputs({pbm}, inputs, error)) << error;
  inputs.push_back(WrittenInput("plain.pdf", TextPdf({{"", "BT /F1 10 Tf 10 10 Td (Page) Tj ET"}})));
  for (const InputFile& input : inputs) {
    std::string title = "left over";
    std::vector<kwen::OutlineItem> outline = {{"left over", 0, 0}};
    EXPECT_TRUE(ReadTitleAndOutline(input, title, outline, error)) << error;
    EXPECT_EQ(title, "") << input.path;
    EXPECT_TRUE(outline.empty()) << input.path;
  }
}

// As another program writes them: Ghostscript, from marks in PostScript,
// the file encrypted with an owner's password only, as many are.
TEST(PdfOutline, AFileWrittenByAnotherProgramEncryptedForItsOwner) {
  const std::string source = TempPath("marked.ps"), path = TempPath("marked.pdf");
  WriteFileBytes(source, BytesOf("[ /Title (Marked) /DOCINFO pdfmark\n"
                                 "[ /Title (First) /Page 1 /Count 1 /OUT pdfmark\n"
                                 "[ /Title (Under the first) /Page 2 /OUT pdfmark\n"
                                 "[ /Title (Third) /Page 3 /OUT pdfmark\n"
                                 "/Helvetica findfont 24 scalefont setfont\n"
                                 "72 700 moveto (Page one) show showpage\n"
                                 "72 700 moveto (Page two) show showpage\n"
                                 "72 700 moveto (Page three) show showpage\n"));
  const std::string command =
      "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -sOwnerPassword=secret "
      "-dEncryptionR=3 -dKeyLength=128 -sOutputFile=" +
      path + " " + source + " 2>/dev/null";
  if (std::system(command.c_str()) != 0) GTEST_SKIP() << "Ghostscript cannot be run";
  std::vector<InputFile> inputs;
  std::string title, error;
  ASSERT_TRUE(ResolveInputs({path}, inputs, error)) << error;
  std::vector<kwen::OutlineItem> outline;
  ASSERT_TRUE(ReadTitleAndOutline(inputs[0], title, outline, error)) << error;
  EXPECT_EQ(title, "Marked");
  EXPECT_EQ(outline, (std::vector<kwen::OutlineItem>{{"First", 0, 0}, {"Under the first", 1, 1}, {"Third", 2, 0}}));
  PageImage image;
  ASSERT_TRUE(ReadPage(inputs[0], 2, 100, image, error)) << error;
  EXPECT_EQ(LinesOf(image.text), std::vector<std::string>{"+Page two"});
}

struct HostileOutline {
  const char* name;
  std::vector<std::string> extras;  // the first is the outline's root
  std::vector<kwen::OutlineItem> want;
};

// Entries on page 0 of a one-page file with `count` extras.
std::string OnFirstPage(size_t count) { return "/Dest " + Fit(count, 0); }

HostileOutline SiblingLoop() {
  const int a = kFirstExtra + 1;
  return {"siblings in a loop",
          {OutlinesObject(a), Entry("(A)", a + 1, 0, OnFirstPage(4)), Entry("(B)", a + 2, 0, OnFirstPage(4)),
           Entry("(C)", a + 1, 0, OnFirstPage(4))},
          {{"A", 0, 0}, {"B", 0, 0}, {"C", 0, 0}}};
}

HostileOutline ChildLoop() {
  const int a = kFirstExtra + 1;
  return {"a child leading back to its parent",
          {OutlinesObject(a), Entry("(A)", 0, a + 1, OnFirstPage(3)), Entry("(B)", a + 1, a, OnFirstPage(3))},
          {{"A", 0, 0}, {"B", 0, 1}}};
}

HostileOutline Deep(int32_t levels) {
  HostileOutline deep{"entries nested deeper than kept", {OutlinesObject(kFirstExtra + 1)}, {}};
  for (int32_t level = 0; level < levels; ++level) {
    const int below = level + 1 < levels ? kFirstExtra + 2 + level : 0;
    deep.extras.push_back(Entry("(L" + std::to_string(level) + ")", 0, below, OnFirstPage(levels + 1)));
    if (level <= kDeepestOutlineLevel) deep.want.push_back({"L" + std::to_string(level), 0, level});
  }
  return deep;
}

HostileOutline Wide(size_t entries) {
  HostileOutline wide{"more entries than kept", {OutlinesObject(kFirstExtra + 1)}, {}};
  for (size_t i = 0; i < entries; ++i) {
    const int next = i + 1 < entries ? kFirstExtra + 2 + static_cast<int>(i) : 0;
    wide.extras.push_back(Entry("(E)", next, 0, OnFirstPage(entries + 1)));
    if (i < kLargestOutline) wide.want.push_back({"E", 0, 0});
  }
  return wide;
}

HostileOutline NameTreeLoop() {
  const int a = kFirstExtra + 1;
  return {"a string destination in a name tree that loops",
          {OutlinesObject(a), Entry("(A)", a + 1, 0, "/Dest (x)"), Entry("(B)", 0, 0, OnFirstPage(4)),
           "<< /Kids [" + Ref(a + 2) + "] >>"},
          {{"B", 0, 0}}};
}

HostileOutline Missing() { return {"a first entry that is not there", {OutlinesObject(999)}, {}}; }

TEST(PdfOutline, HostileOutlinesAreCutShort) {
  const HostileOutline cases[] = {SiblingLoop(),  ChildLoop(), Deep(40), Wide(kLargestOutline + 2000),
                                  NameTreeLoop(), Missing()};
  for (const HostileOutline& test : cases) {
    SCOPED_TRACE(test.name);
    std::string catalog = "/Outlines " + Ref(kFirstExtra);
    if (std::string(test.name).find("name tree") != std::string::npos) {
      catalog += " /Names << /Dests " + Ref(kFirstExtra + 3) + " >>";
    }
    const InputFile input =
        WrittenInput("hostile.pdf", TextPdf({{"", "BT /F1 10 Tf 10 10 Td (Page) Tj ET"}}, catalog, test.extras));
    std::string title, error;
    std::vector<kwen::OutlineItem> outline;
    ASSERT_TRUE(ReadTitleAndOutline(input, title, outline, error)) << error;
    EXPECT_EQ(outline, test.want);
  }
}

}  // namespace
