// Writes the documents of the reader's GUI tests into a folder: 300 pages
// of text-like lines (each page marked with its number in bars so that a
// test can tell pages apart), 300 pages of figures that restore slowly,
// and damaged ones: among them the three whose restore once stalled the
// status line (a page of 16.7 million dots in 67 bytes, a small packed
// document with bytes flipped, a stream cut in the middle). Some carry
// text: words over the lines of shapes (groups of four shapes, "needle"
// among them in known places), a title and an outline.
//
//   make_reader_documents FOLDER
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/memory_pack.h"
#include "kwen/text.h"
#include "tests/document/document_builder.h"

using namespace testing_support;

namespace {

constexpr int32_t kWidth = 850;
constexpr int32_t kHeight = 1100;
constexpr int kPages = 300;
constexpr int kShapes = 12;
constexpr int32_t kShapeSide = 12;
constexpr int32_t kMargin = 60;
constexpr int32_t kLineStep = 24;
constexpr int32_t kFirstLine = kMargin + 140;  // the bottom row of the first line of shapes
// A word covers four shapes; a shape's room is its side and a gap.
constexpr int32_t kShapeRoom = kShapeSide + 4;
constexpr int32_t kShapesPerWord = 4;
constexpr int32_t kWordsPerLine = 9;
constexpr int kWordPages = 12;

std::vector<std::string> Shape(int k) {
  std::vector<std::string> rows(kShapeSide, std::string(kShapeSide, '.'));
  for (int y = 0; y < kShapeSide; ++y) {
    for (int x = 0; x < kShapeSide; ++x) {
      if ((x * (k + 3) + y * (k + 1)) % 7 < 3 || x == k % kShapeSide) rows[y][x] = '#';
    }
  }
  return rows;
}

// Page `number`: its number as that many short bars in tens and ones at the
// top, then lines of shapes; the shapes are stored on the first page and
// referred to from the others.
Bytes TextPage(int number, std::vector<int32_t>& shapeFields, int32_t recordStart) {
  PageWriter page(kWidth, kHeight, 1, BlackWhite());
  SpotCursor cursor{page};
  // Masks are rows of whole bytes: 24 x 40 pixels of ink for tens (the 29
  // of page 299 within the page's width), 16 x 40 for ones.
  for (int k = 0; k < number / 10; ++k) cursor.Place(kMargin + 26 * k, kMargin + 39, 24, 40, Bytes(3 * 40, 0xFF));
  for (int k = 0; k < number % 10; ++k) cursor.Place(kMargin + 40 * k, kMargin + 99, 16, 40, Bytes(2 * 40, 0xFF));
  uint32_t serial = static_cast<uint32_t>(number);
  for (int32_t line = kFirstLine; line < kHeight - kMargin; line += kLineStep) {
    for (int32_t left = kMargin; left + kShapeSide < kWidth - kMargin; left += kShapeRoom) {
      serial = serial * 1103515245u + 12345u;
      const int shape = static_cast<int>((serial >> 16) % kShapes);
      if (shapeFields[shape] < 0) {
        const size_t field = cursor.Place(left, line, kShapeSide, kShapeSide, MaskFromRows(Shape(shape)));
        shapeFields[shape] = recordStart + static_cast<int32_t>(field);
      } else {
        cursor.Refer(left, line, kShapeSide, shapeFields[shape]);
      }
    }
  }
  return page.record;
}

// A figure of noise that does not pack: restoring a document of such pages
// takes long enough to watch its first page arrive before its last.
Bytes FigurePage(uint32_t seed) {
  PageWriter page(kWidth, kHeight, 1, BlackWhite());
  constexpr uint32_t kFigureWidth = kWidth - 2 * kMargin;
  constexpr uint32_t kFigureRows = 500;
  page.Inline(kMargin, kMargin + kFigureRows - 1, kFigureWidth, kFigureRows,
              RandomBytes((kFigureWidth + 7) / 8 * kFigureRows, seed));
  return page.record;
}

Bytes TextDocument(int pages) {
  std::vector<Bytes> records;
  std::vector<int32_t> shapeFields(kShapes, -1);
  for (int k = 0; k < pages; ++k) {
    records.push_back(TextPage(k + 1, shapeFields, RecordOffset(records, static_cast<size_t>(pages), records.size())));
  }
  return AssembleDocument(records);
}

Bytes FigureDocument(int pages) {
  std::vector<Bytes> records;
  for (int k = 0; k < pages; ++k) records.push_back(FigurePage(2 * k + 1));  // odd seeds: each page its own noise
  return AssembleDocument(records);
}

// Three pages whose first refers far past the document's end.
Bytes BadFirstPage() {
  PageWriter bad(kWidth, kHeight, 1, BlackWhite());
  bad.Reference(kMargin, kMargin, INT32_MAX);
  std::vector<Bytes> records{bad.record};
  std::vector<int32_t> shapeFields(kShapes, -1);
  for (int k = 2; k <= 3; ++k) records.push_back(TextPage(k, shapeFields, RecordOffset(records, 3, records.size())));
  return AssembleDocument(records);
}

// One page of 4096 x 4096 dots, all ink: millions of bytes that pack to a
// few dozen.
Bytes HugePage() {
  constexpr int32_t kSide = 4096;
  PageWriter page(kSide, kSide, 1, BlackWhite());
  page.Inline(0, kSide - 1, kSide, kSide, Bytes(kSide / 8 * kSide, 0xFF));
  return AssembleDocument({page.record});
}

// Two pages of one bar each: a document of a few dozen packed bytes.
Bytes BarsDocument() {
  std::vector<Bytes> records;
  for (int k = 0; k < 2; ++k) {
    PageWriter page(kWidth, kHeight, 1, BlackWhite());
    page.Inline(kMargin, kMargin + 39, 16, 40, Bytes(2 * 40, 0xFF));
    records.push_back(page.record);
  }
  return AssembleDocument(records);
}

// Where the word "needle" is, as page, line and word (from 0); page 3
// breaks it with a hyphen at the end of its line 2.
struct WordPlace {
  int32_t page, line, word;
  const char* text;
};
constexpr WordPlace kPlacedWords[] = {
    {1, 3, 2, "needle"}, {1, 10, 0, "needle"}, {3, 2, kWordsPerLine - 1, "nee-"},
    {3, 3, 0, "dle"},    {7, 5, 4, "Needle,"}, {10, 0, 1, "needle"},
};

std::string WordAt(int32_t page, int32_t line, int32_t word) {
  for (const WordPlace& placed : kPlacedWords) {
    if (placed.page == page && placed.line == line && placed.word == word) return placed.text;
  }
  static const char* const kWords[] = {"paper", "ink",   "line",  "word",  "page",  "river",
                                       "stone", "cloud", "green", "amber", "quiet", "north"};
  return kWords[(page * 7 + line * 3 + word) % (sizeof kWords / sizeof kWords[0])];
}

// Words over the lines of shapes of the first `pages` pages of `pageCount`.
kwen::DocumentText Words(int32_t pages, int32_t pageCount) {
  kwen::DocumentText text;
  text.title = "A Book of Shapes";
  text.outline = {{"Opening", 0, 0}, {"The river", 2, 1}, {"The stone", 6, 1}, {"Closing", pageCount - 2, 0}};
  text.pages.resize(static_cast<size_t>(pages));
  for (int32_t page = 0; page < pages; ++page) {
    int32_t line = 0;
    for (int32_t bottom = kFirstLine; bottom < kHeight - kMargin; bottom += kLineStep, ++line) {
      kwen::TextLine words;
      words.startsBlock = line == 0;
      for (int32_t word = 0; word < kWordsPerLine; ++word) {
        const int32_t left = kMargin + word * (kShapesPerWord + 1) * kShapeRoom;
        const kwen::Box box{left, bottom - kShapeSide + 1, left + kShapesPerWord * kShapeRoom - 4, bottom + 1};
        words.words.push_back({WordAt(page, line, word), box});
      }
      text.pages[static_cast<size_t>(page)].lines.push_back(words);
    }
  }
  return text;
}

Bytes WithText(Bytes document, const kwen::DocumentText& text, int32_t pageCount) {
  const std::vector<uint8_t> stored = kwen::EncodeText(text, pageCount);
  document.insert(document.end(), stored.begin(), stored.end());
  return document;
}

Bytes Packed(const Bytes& unpacked) {
  Switches quick;
  quick.searchExponent = SearchExponentFor('Q');
  return PackBytes(unpacked.data(), unpacked.size(), quick);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_reader_documents FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  const Bytes pages = TextDocument(kPages);
  Bytes oldLabel = pages;
  oldLabel[0] = 'K', oldLabel[1] = 'W', oldLabel[2] = 'E', oldLabel[3] = 'N';
  Bytes damagedTable = pages;
  for (size_t k = 0; k < 4; ++k) damagedTable[4 + 4 * (kPages / 2) + k] = 0xFF;
  const Bytes packed = Packed(pages);
  const Bytes wordPages = TextDocument(kWordPages);
  const Bytes words = WithText(wordPages, Words(kWordPages, kWordPages), kWordPages);
  // The text cut short by its last bytes: the pages are whole.
  const Bytes damagedWords(words.begin(), words.end() - 3);
  // The packed stream cut in the middle: the pages past the cut are missing.
  const Bytes cut(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(packed.size() / 2));
  // A small packed document with bytes flipped after its header.
  Bytes flipped = Packed(BarsDocument());
  for (size_t k = flipped.size() * 2 / 3; k < flipped.size() * 2 / 3 + 4; ++k) flipped[k] ^= 0x5A;
  const struct {
    const char* name;
    Bytes bytes;
  } files[] = {
      {"pages300.kwen", packed},
      // Its text comes once every page is restored.
      {"figures300.kwen", Packed(WithText(FigureDocument(kPages), Words(kPages, kPages), kPages))},
      {"words.kwen", Packed(words)},
      {"damaged_words.kwen", Packed(damagedWords)},
      {"pages300.bs", pages},
      {"old_label.kwen", Packed(oldLabel)},
      {"damaged_table.kwen", Packed(damagedTable)},
      {"bad_first_page.kwen", Packed(BadFirstPage())},
      {"cut.kwen", cut},
      {"flipped.kwen", flipped},
      {"huge_page.kwen", Packed(HugePage())},
      {"not_a_document.bs", Bytes{'h', 'e', 'l', 'l', 'o'}},
      {"empty.kwen", Bytes{}},
  };
  for (const auto& file : files) WriteFileBytes(folder + "/" + file.name, file.bytes);
  return 0;
}
