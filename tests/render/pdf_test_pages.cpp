#include "tests/render/pdf_test_pages.h"

#include <fstream>
#include <string>
#include <vector>

#include "tests/document/document_builder.h"

namespace pdf_test {

using testing_support::PageWriter;
using kwen::Box;
using kwen::DocumentText;
using kwen::PageText;
using kwen::TextLine;
using kwen::Word;

namespace {

constexpr size_t kResolutionAt = 38;  // pixels per metre across, then down, in a page record
constexpr double kInchesPerMetre = 39.37;

// A page's record at `dotsPerInch`.
Bytes AtResolution(Bytes record, int32_t dotsPerInch) {
  const auto perMetre = static_cast<uint32_t>(dotsPerInch * kInchesPerMetre + 0.5);
  for (size_t at : {kResolutionAt, kResolutionAt + 4}) {
    for (int i = 0; i < 4; ++i) record[at + static_cast<size_t>(i)] = static_cast<uint8_t>(perMetre >> (8 * i));
  }
  return record;
}

// Spots placed by their left and bottom edges; each place is kept relative
// to the one before, as the records hold them.
struct Placer {
  PageWriter& page;
  int32_t x = 0, y = 0;
  void Put(int32_t left, int32_t bottom, uint32_t w, uint32_t h, const Bytes& data) {
    page.Inline(left - x, bottom - y, w, h, data);
    x = left + static_cast<int32_t>(w) - 1;
    y = bottom;
  }
};

// A letter-like mask: a few strokes in a box, rows bottom first.
Bytes Letter(std::mt19937& random, uint32_t w, uint32_t h) {
  std::vector<std::string> rows(h, std::string(w, '.'));
  for (int stroke = 0; stroke < 3; ++stroke) {
    const bool across = random() % 2 == 0;
    const uint32_t at = static_cast<uint32_t>(random() % (across ? h - 1 : w - 1));
    for (uint32_t i = 0; i < (across ? w : h); ++i) {
      for (uint32_t thick = 0; thick < 2; ++thick) {
        if (across) rows[at + thick][i] = '#';
        else rows[i][at + thick] = '#';
      }
    }
  }
  return testing_support::MaskFromRows(rows);
}

// Lines of letters over the page, in the ink set last.
void PutText(Placer& placer, std::mt19937& random, int32_t width, int32_t height) {
  for (int32_t bottom = 12; bottom + 20 < height; bottom += 24) {
    for (int32_t left = 8; left + 20 < width;) {
      const uint32_t w = 6 + static_cast<uint32_t>(random() % 8), h = 10 + static_cast<uint32_t>(random() % 6);
      placer.Put(left, bottom, w, h, Letter(random, w, h));
      left += static_cast<int32_t>(w) + 2 + static_cast<int32_t>(random() % 3) * 5;
    }
  }
}

// The glyphs of the shape tests: cells of 48 x 49 pixels in one row, top
// row first, 1 bits black.
struct GlyphCells {
  int32_t width = 0, height = 0;
  size_t rowBytes = 0;
  Bytes bits;
};

const GlyphCells& Glyphs() {
  static const GlyphCells cells = [] {
    std::ifstream in(GLYPHS_IMAGE, std::ios::binary);
    std::string magic;
    GlyphCells read;
    in >> magic >> read.width >> read.height;
    in.get();
    read.rowBytes = (static_cast<size_t>(read.width) + 7) / 8;
    read.bits.resize(read.rowBytes * static_cast<size_t>(read.height));
    in.read(reinterpret_cast<char*>(read.bits.data()), static_cast<std::streamsize>(read.bits.size()));
    return read;
  }();
  return cells;
}

constexpr int kCellWidth = 48;
constexpr int kLetters = 26;

// A line of printed words: random letters, a space now and then, as a
// mask (rows bottom first) `cells` cells wide.
Bytes PrintedLine(std::mt19937& random, int cells) {
  const GlyphCells& glyphs = Glyphs();
  std::vector<std::string> rows(static_cast<size_t>(glyphs.height), std::string());
  for (int cell = 0; cell < cells; ++cell) {
    const bool space = random() % 6 == 0;
    const int letter = static_cast<int>(random() % kLetters);
    for (int32_t y = 0; y < glyphs.height; ++y) {
      for (int x = 0; x < kCellWidth; ++x) {
        const size_t column = static_cast<size_t>(letter * kCellWidth + x);
        const bool ink = !space && (glyphs.bits[glyphs.rowBytes * static_cast<size_t>(y) + column / 8] & (0x80 >> (column % 8))) != 0;
        rows[static_cast<size_t>(y)] += ink ? '#' : '.';
      }
    }
  }
  return testing_support::MaskFromRows(rows);
}

// Lines of strokes in `blackInk`, on a page of `bits` through `table`.
Bytes TextPage(std::mt19937& random, int32_t width, int32_t height, const std::vector<RgbQuad>& table, uint16_t bits,
               uint32_t blackInk) {
  PageWriter page(width, height, bits, table);
  page.ColourEscape(blackInk);
  Placer placer{page};
  PutText(placer, random, width, height);
  return page.record;
}

// A picture of `bytesPerPixel` bytes a pixel (stored by columns): smooth
// shades with a little grain, as photographs have; then text over it in
// `ink`. `white` is the page's white, which starts a picture.
Bytes PicturePage(std::mt19937& random, int32_t width, int32_t height, uint16_t bits,
                  const std::vector<RgbQuad>& table, uint32_t white, uint32_t ink) {
  const uint32_t w = static_cast<uint32_t>(width) * 2 / 3, h = static_cast<uint32_t>(height) * 2 / 3;
  const uint32_t bytesPerPixel = bits / 8;
  Bytes pixels;
  for (uint32_t c = 0; c < w; ++c) {
    for (uint32_t r = 0; r < h; ++r) {
      for (uint32_t b = 0; b < bytesPerPixel; ++b) {
        pixels.push_back(static_cast<uint8_t>((c * (b + 1) + r * (3 - b)) / 3 + random() % 4));
      }
    }
  }
  PageWriter page(width, height, bits, table);
  page.ColourEscape(white);
  Placer placer{page};
  placer.Put(width / 6, height / 6, w, h, pixels);
  page.ColourEscape(ink);
  PutText(placer, random, width, height / 3);
  return page.record;
}

// Letters in each of `inks` on white.
Bytes InkPage(std::mt19937& random, int32_t width, int32_t height, uint16_t bits, const std::vector<RgbQuad>& table,
              const std::vector<uint32_t>& inks) {
  PageWriter page(width, height, bits, table);
  Placer placer{page};
  int32_t left = 10;
  for (uint32_t ink : inks) {
    page.ColourEscape(ink);
    placer.Put(left, height / 2, 30, 16, Letter(random, 30, 16));
    left += 40;
  }
  return page.record;
}

// A 24-bit page of `paper` (blue, green, red) but for a white margin, with
// black letters on it if `letters`.
Bytes PaperPage(std::mt19937& random, int32_t width, int32_t height, uint32_t paper, bool letters = true) {
  const int32_t margin = letters ? 10 : 0;
  PageWriter page(width, height, 24, {});
  page.ColourEscape(paper);
  Placer placer{page};
  const auto w = static_cast<uint32_t>(width - 2 * margin), h = static_cast<uint32_t>(height - 2 * margin);
  placer.Put(margin, margin + static_cast<int32_t>(h) - 1, w, h, testing_support::MaskFromRows(std::vector<std::string>(h, std::string(w, '#'))));
  if (!letters) return page.record;
  page.ColourEscape(0);
  PutText(placer, random, width, height);
  return page.record;
}

// A table of 16 colours, most of them white.
std::vector<RgbQuad> FewColourTable() {
  std::vector<RgbQuad> table(16, RgbQuad{255, 255, 255, 0});
  table[1] = {200, 30, 20, 0};  // blue, green, red
  table[2] = {20, 150, 30, 0};
  table[3] = {10, 10, 10, 0};
  return table;
}

std::vector<uint32_t> TwelveInks() {
  std::vector<uint32_t> inks;
  for (uint32_t ink = 0; ink < 12; ++ink) inks.push_back(0x101010 * ink + 0x400000 * (ink % 3));
  return inks;
}

}  // namespace

Bytes PrintedPage(std::mt19937& random, int32_t width, int32_t height) {
  PageWriter page(width, height, 1, testing_support::BlackWhite());
  page.ColourEscape(0);
  Placer placer{page};
  const int cells = (width - 100) / kCellWidth;
  for (int32_t bottom = height - 110; bottom > 40; bottom -= 60) {
    placer.Put(50, bottom, static_cast<uint32_t>(cells * kCellWidth), static_cast<uint32_t>(Glyphs().height),
               PrintedLine(random, cells));
  }
  return page.record;
}

Bytes BlankPage(int32_t width, int32_t height) { return PageWriter(width, height, 1, testing_support::BlackWhite()).record; }

std::vector<PageCase> PageCases() {
  std::mt19937 random(7);
  const auto greys = testing_support::GreyRamp(256);
  return {
      {"printed text", PrintedPage(random, 1700, 1100), 300, "stencil - 1 ccitt"},
      {"strokes", TextPage(random, 600, 400, testing_support::BlackWhite(), 1, 0), 300, "stencil - 1 image"},
      {"white on index 0", TextPage(random, 400, 300, testing_support::WhiteBlack(), 1, 1), 200, "stencil - 1 image"},
      {"grey photograph", PicturePage(random, 300, 240, 8, greys, 255, 0), 150, "image gray 8 image"},
      {"colour photograph", PicturePage(random, 300, 240, 24, {}, 0xFFFFFF, 0x2040C0), 150, "image rgb 8 image"},
      {"three inks in a table", InkPage(random, 240, 180, 4, FewColourTable(), {1, 2, 3}), 100, "image index 2 image"},
      {"white page", BlankPage(300, 200), 200, ""},
      {"black and white in four greys", TextPage(random, 300, 200, testing_support::GreyRamp(4), 2, 0), 300,
       "stencil - 1 image"},
      {"two inks in 24 bits", InkPage(random, 200, 100, 24, {}, {0x000000, 0x2020C0}), 150,
       "stencil - 1 ccitt; stencil - 1 ccitt"},
      {"three greys", InkPage(random, 200, 100, 8, greys, {0, 90, 180}), 150, "image index 2 image"},
      {"coloured paper", PaperPage(random, 400, 300, 0x80E0F0), 150, "stencil - 1 image; stencil - 1 image"},
      {"one colour", PaperPage(random, 300, 200, 0x80E0F0, false), 150, ""},
      {"twelve inks", InkPage(random, 500, 100, 24, {}, TwelveInks()), 150, "image index 4 image"},
  };
}

Bytes DocumentOf(const std::vector<PageCase>& cases) {
  std::vector<Bytes> records;
  for (const PageCase& page : cases) records.push_back(AtResolution(page.record, page.dotsPerInch));
  return testing_support::AssembleDocument(records);
}

kwen::Document WithText(const Bytes& pages, int32_t pageCount, const DocumentText& text) {
  Bytes bytes = pages;
  const Bytes stored = kwen::EncodeText(text, pageCount);
  bytes.insert(bytes.end(), stored.begin(), stored.end());
  return kwen::Document::FromBytes(bytes, "book.bs");
}

DocumentText SampleText() {
  PageText first;
  first.lines.push_back(TextLine{{Word{"Größe", Box{30, 20, 130, 44}}, Word{"naïve", Box{150, 20, 250, 44}},
                                  Word{"words", Box{270, 20, 380, 44}}},
                                 true});
  first.lines.push_back(TextLine{{Word{"second", Box{30, 60, 160, 84}}, Word{"line", Box{180, 60, 260, 84}}}, false});
  PageText onWhite;
  onWhite.lines.push_back(TextLine{{Word{"unseen", Box{40, 50, 140, 70}}}, true});
  DocumentText text;
  text.title = "Wörter — a test";
  text.pages = {first, {}, {}, {}, {}, {}, onWhite};
  text.outline = {{"Chapter one", 0, 0}, {"Grey", 3, 1}, {"Colour", 4, 1}, {"Chapter two", 5, 0}, {"White", 6, 1}};
  return text;
}


}  // namespace pdf_test
