// The searchable PDF export, read back by the PDF tools as a user's reader
// would: every page's very pixels at its resolution, the words where they
// lie and in reading order, the title and outline, a file the checker
// passes, black and white pages no larger than fax-coded TIFF, and failures
// that leave no file.
#include "render/pdf_export.h"

#include <gtest/gtest.h>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "document/utf8.h"
#include "tests/document/document_builder.h"
#include "tests/render/pdf_readback.h"
#include "tests/render/pdf_test_pages.h"

namespace {

using testing_support::Bytes;
using testing_support::PageWriter;
using kwen::Box;
using kwen::DocumentText;
using kwen::TextLine;
using kwen::Word;
using namespace pdf_test;

std::string TempPath(const std::string& name) { return testing_support::TempPath(name); }

PdfExportResult Export(const kwen::Document& document, const std::vector<int32_t>& pages, const std::string& path,
                       int threads = 0) {
  PdfExportOptions options;
  options.title = "fallback title";
  options.threads = threads;
  return ExportPdf(document, pages, path, options);
}

std::vector<int32_t> AllPages(const kwen::Document& document) {
  std::vector<int32_t> pages;
  for (int32_t page = 0; page < document.PageCount(); ++page) pages.push_back(page);
  return pages;
}

class PdfExport : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    cases_ = new std::vector<PageCase>(PageCases());
    pages_ = new Bytes(DocumentOf(*cases_));
    const kwen::Document document = WithText(*pages_, static_cast<int32_t>(cases_->size()), SampleText());
    pdf_ = new std::string(TempPath("book.pdf"));
    const PdfExportResult result = Export(document, AllPages(document), *pdf_);
    ASSERT_TRUE(result.Written()) << result.error;
    EXPECT_TRUE(result.warnings.empty());
  }
  static void TearDownTestSuite() {
    delete cases_;
    delete pages_;
    delete pdf_;
  }
  static kwen::Document TextDocument() { return WithText(*pages_, static_cast<int32_t>(cases_->size()), SampleText()); }

  static std::vector<PageCase>* cases_;
  static Bytes* pages_;
  static std::string* pdf_;
};

std::vector<PageCase>* PdfExport::cases_ = nullptr;
Bytes* PdfExport::pages_ = nullptr;
std::string* PdfExport::pdf_ = nullptr;

TEST_F(PdfExport, EveryPageComesBackPixelForPixelAtItsResolution) {
  const kwen::Document document = TextDocument();
  EXPECT_TRUE(PassesCheck(*pdf_));
  std::istringstream list(Output("pdfimages -list " + Quoted(*pdf_)));
  std::string line;
  std::vector<std::string> pictures(cases_->size());
  std::getline(list, line);
  std::getline(list, line);  // the headings
  while (std::getline(list, line)) {
    std::istringstream fields(line);
    int page = 0, number = 0, width = 0, height = 0, components = 0, bits = 0;
    std::string type, colour, coding;
    fields >> page >> number >> type >> width >> height >> colour >> components >> bits >> coding;
    std::string& listed = pictures[static_cast<size_t>(page - 1)];
    listed += (listed.empty() ? "" : "; ") + type + " " + colour + " " + std::to_string(bits) + " " + coding;
  }
  for (size_t index = 0; index < cases_->size(); ++index) {
    const PageCase& page = (*cases_)[index];
    SCOPED_TRACE(page.name);
    EXPECT_EQ(pictures[index], page.pictures);
    const RgbImage built = BuiltPage(document, static_cast<int32_t>(index));
    const int number = static_cast<int>(index) + 1;
    // Drawn at its resolution, each page picture covers its pixels exactly.
    const Drawing exact = DrawnByGhostscript(*pdf_, number, page.dotsPerInch);
    EXPECT_EQ(exact.messages, "");
    ASSERT_EQ(exact.image.width, built.width);
    ASSERT_EQ(exact.image.height, built.height);
    EXPECT_EQ(DifferingPixels(exact.image, built), 0);
    // Poppler draws stencils exactly too, but blends the edges of a picture
    // drawn at less than four times its size, even at its own.
    const Drawing poppler = DrawnByPoppler(*pdf_, number, page.dotsPerInch);
    EXPECT_EQ(poppler.messages, "");
    ASSERT_EQ(poppler.image.width, built.width);
    ASSERT_EQ(poppler.image.height, built.height);
    if (page.pictures.find("image ") == std::string::npos) {
      EXPECT_EQ(DifferingPixels(poppler.image, built), 0);
    } else {
      EXPECT_LT(MeanDifference(poppler.image, built), 8.0);
    }
  }
}

TEST_F(PdfExport, WordsComeBackInReadingOrderWhereTheyLie) {
  EXPECT_EQ(Messages("pdftotext " + Quoted(*pdf_) + " /dev/null"), "");
  EXPECT_EQ(Output("pdftotext -enc UTF-8 -f 1 -l 1 " + Quoted(*pdf_) + " -"), "Größe naïve words\nsecond line\n\n\f");
  EXPECT_EQ(Output("pdftotext -enc UTF-8 -f 7 -l 7 " + Quoted(*pdf_) + " -"), "unseen\n\n\f");
  // Each word's box, in points from the top left, is its box in pixels at
  // its page's resolution: where a reader highlights what it found.
  const DocumentText text = SampleText();
  for (const size_t page : {size_t{0}, size_t{6}}) {
    const int32_t dotsPerInch = (*cases_)[page].dotsPerInch;
    const std::string boxes =
        Output("pdftotext -bbox -enc UTF-8 -f " + std::to_string(page + 1) + " -l " + std::to_string(page + 1) + " " +
               Quoted(*pdf_) + " -");
    const std::regex word(
        R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re");
    std::vector<std::pair<std::string, Box>> found;
    for (std::sregex_iterator match(boxes.begin(), boxes.end(), word), end; match != end; ++match) {
      const auto pixels = [&](int field) {
        return static_cast<int32_t>(std::stod((*match)[field]) * dotsPerInch / 72 + 0.5);
      };
      found.push_back({(*match)[5], Box{pixels(1), pixels(2), pixels(3), pixels(4)}});
    }
    std::vector<std::pair<std::string, Box>> expected;
    for (const TextLine& line : text.pages[page].lines) {
      for (const Word& w : line.words) expected.push_back({w.text, w.box});
    }
    EXPECT_EQ(found, expected) << "page " << page + 1;
  }
}

TEST_F(PdfExport, GreyPagesStayGrey) {
  const std::vector<std::vector<std::string>> spaces = ColourSpaces(*pdf_);
  ASSERT_EQ(spaces.size(), cases_->size());
  for (size_t index = 0; index < cases_->size(); ++index) {
    const std::string name = (*cases_)[index].name;
    for (const std::string& space : spaces[index]) {
      const bool grey = name == "grey photograph" || name == "three greys";
      EXPECT_EQ(space.find("Gray") != std::string::npos, grey) << name << ": " << space;
    }
  }
}

// Readers that do not guess a character from its code need the font's map
// from codes to characters.
TEST_F(PdfExport, TheTextFontMapsItsCodesToCharacters) {
  QPDF file;
  file.processFile(pdf_->c_str());
  QPDFPageObjectHelper first = QPDFPageDocumentHelper(file).getAllPages().at(0);
  std::map<std::string, QPDFObjectHandle> fonts = first.getObjectHandle().getKey("/Resources").getKey("/Font").getDictAsMap();
  ASSERT_EQ(fonts.size(), 1u);
  QPDFObjectHandle font = fonts.begin()->second;
  EXPECT_EQ(font.getKey("/Subtype").getName(), "/Type0");
  EXPECT_EQ(font.getKey("/Encoding").getName(), "/Identity-H");
  ASSERT_TRUE(font.getKey("/ToUnicode").isStream());
  const std::shared_ptr<Buffer> map = font.getKey("/ToUnicode").getStreamData();
  const std::string text(reinterpret_cast<const char*>(map->getBuffer()), map->getSize());
  EXPECT_NE(text.find("<0000> <00FF> <0000>"), std::string::npos);
  EXPECT_EQ(text.find("<D800>"), std::string::npos);  // no code stands for half a character
}

// Characters beyond the basic plane come back whole: each distinct one of
// the document has a code of its own, as many as there are such codes
// (2048); the rest come back as U+FFFD.
TEST(PdfExportText, CharactersBeyondTheBasicPlaneComeBack) {
  constexpr int32_t kWordsPerLine = 50, kLines = 42, kWordWidth = 20, kStep = 30;
  DocumentText text;
  text.pages.resize(1);
  text.pages[0].lines.push_back(TextLine{{Word{"𝔘nicode", Box{10, 10, 200, 30}}, Word{"𝔄𝔘", Box{220, 10, 300, 30}}}, true});
  std::string expected = "𝔘nicode 𝔄𝔘\n";
  // 𝔄 and 𝔘 have their codes already: 2046 more are left.
  char32_t next = 0x20000;
  for (int32_t line = 0; line < kLines; ++line) {
    TextLine many;
    const int32_t top = kStep * (line + 2);
    for (int32_t word = 0; word < kWordsPerLine; ++word, ++next) {
      std::string character;
      AppendUtf8(character, next);
      many.words.push_back(Word{character, Box{10 + word * kStep, top, 10 + word * kStep + kWordWidth, top + kWordWidth}});
      expected += (word == 0 ? "" : " ") + (next < 0x20000 + 2046 ? character : std::string("\uFFFD"));
    }
    expected += "\n";
    text.pages[0].lines.push_back(many);
  }
  const Bytes pages = testing_support::AssembleDocument({BlankPage(10 + kWordsPerLine * kStep, kStep * (kLines + 3))});
  const std::string pdf = TempPath("beyond-basic.pdf");
  ASSERT_TRUE(Export(WithText(pages, 1, text), {0}, pdf).Written());
  EXPECT_TRUE(PassesCheck(pdf));
  EXPECT_EQ(Output("pdftotext -enc UTF-8 -nopgbrk " + Quoted(pdf) + " -"), expected + "\n");
}

TEST_F(PdfExport, TitleAndOutlineGoWithTheExportedPages) {
  EXPECT_EQ(TitleOf(*pdf_), "Wörter — a test");
  const std::vector<OutlineEntry> whole = {{"Chapter one", 1, 0}, {"Grey", 4, 1},  {"Colour", 5, 1},
                                           {"Chapter two", 6, 0}, {"White", 7, 1}};
  EXPECT_EQ(OutlineOf(*pdf_), whole);
  // Pages 7, 4 and 5, in that order: the entries of the pages left out go,
  // the children of a chapter left out move up, and each entry goes to its
  // page's place in the new file.
  const std::string part = TempPath("part.pdf");
  const PdfExportResult result = Export(TextDocument(), {6, 3, 4}, part);
  ASSERT_TRUE(result.Written()) << result.error;
  EXPECT_TRUE(PassesCheck(part));
  const std::vector<OutlineEntry> kept = {{"Grey", 2, 0}, {"Colour", 3, 0}, {"White", 1, 0}};
  EXPECT_EQ(OutlineOf(part), kept);
  // A document without a title takes the one given; an outline of none is none.
  const kwen::Document plain = kwen::Document::FromBytes(*pages_, "plain.bs");
  const std::string untitled = TempPath("untitled.pdf");
  ASSERT_TRUE(Export(plain, {0}, untitled).Written());
  EXPECT_EQ(TitleOf(untitled), "fallback title");
  EXPECT_TRUE(OutlineOf(untitled).empty());
  EXPECT_EQ(Output("pdftotext " + Quoted(untitled) + " -"), "\f");
}

TEST_F(PdfExport, ThreadsMakeTheSameFile) {
  const kwen::Document document = TextDocument();
  const std::string one = TempPath("one-thread.pdf"), three = TempPath("three-threads.pdf");
  ASSERT_TRUE(Export(document, AllPages(document), one, 1).Written());
  ASSERT_TRUE(Export(document, AllPages(document), three, 3).Written());
  EXPECT_EQ(testing_support::ReadFileBytes(one), testing_support::ReadFileBytes(three));
  EXPECT_EQ(testing_support::ReadFileBytes(one), testing_support::ReadFileBytes(*pdf_));
}

TEST(PdfExportText, DamagedTextLeavesThePagesWithAWarning) {
  const Bytes pages = DocumentOf(PageCases());
  const Bytes stored = kwen::EncodeText(SampleText(), static_cast<int32_t>(PageCases().size()));
  Bytes damaged = pages;
  damaged.insert(damaged.end(), stored.begin(), stored.end() - 3);
  const kwen::Document document = kwen::Document::FromBytes(damaged, "damaged.bs");
  const std::string pdf = TempPath("damaged-text.pdf");
  const PdfExportResult result = Export(document, {0, 6}, pdf);
  ASSERT_TRUE(result.Written()) << result.error;
  ASSERT_EQ(result.warnings.size(), 1u);
  EXPECT_NE(result.warnings[0].find("exported without it"), std::string::npos) << result.warnings[0];
  EXPECT_TRUE(PassesCheck(pdf));
  EXPECT_EQ(Output("pdfinfo " + Quoted(pdf)).find("Pages:           2\n") != std::string::npos, true);
  EXPECT_EQ(Output("pdftotext " + Quoted(pdf) + " -"), "\f\f");
}

TEST(PdfExportSize, BlackAndWhitePagesAreNoLargerThanFaxCodedTiff) {
  std::mt19937 random(11);
  std::vector<Bytes> records;
  for (int page = 0; page < 4; ++page) records.push_back(PrintedPage(random, 2550, 3300));
  const kwen::Document document = kwen::Document::FromBytes(testing_support::AssembleDocument(records), "text.bs");
  const std::string pdf = TempPath("text.pdf");
  ASSERT_TRUE(Export(document, AllPages(document), pdf).Written());
  const size_t pdfBytes = testing_support::ReadFileBytes(pdf).size();
  const size_t tiffBytes = Group4TiffBytes(document, TempPath("text.tif"));
  ASSERT_GT(tiffBytes, 0u);
  EXPECT_LE(pdfBytes, tiffBytes * 12 / 10) << pdfBytes << " bytes against " << tiffBytes;
}

// Failures are told and leave no file.
TEST(PdfExportFailure, FailuresAreToldAndLeaveNoFile) {
  std::vector<Bytes> records;
  records.push_back(BlankPage(100, 100));
  PageWriter damaged(100, 100, 1, testing_support::BlackWhite());
  damaged.Inline(0, 0, 50, 50, Bytes(3, 0xFF));  // fewer bytes than the spot takes
  records.push_back(damaged.record);
  const kwen::Document document = kwen::Document::FromBytes(testing_support::AssembleDocument(records), "bad.bs");
  struct Case {
    const char* name;
    std::vector<int32_t> pages;
    std::string path;
    int32_t failedPage;
    const char* says;
  };
  const std::string folder = TempPath("failures");
  const Case cases[] = {
      {"a damaged page", {0, 1}, folder + "-damaged.pdf", 1, ""},
      {"a page past the end", {0, 2}, folder + "-past.pdf", -1, "the document has no page 3 (it has 2)"},
      {"no pages", {}, folder + "-none.pdf", -1, "there are no pages to export"},
      {"a folder that is not there", {0}, folder + "/missing/out.pdf", -1, "missing"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const PdfExportResult result = Export(document, c.pages, c.path);
    EXPECT_FALSE(result.Written());
    EXPECT_EQ(result.failedPage, c.failedPage);
    EXPECT_NE(result.error.find(c.says), std::string::npos) << result.error;
    EXPECT_FALSE(std::ifstream(c.path).good());
  }
}

}  // namespace
