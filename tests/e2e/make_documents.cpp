// Writes the documents of the viewer's end-to-end tests and benchmark:
// pages of text-like lines whose repeated letter shapes
// are stored once and referred to, colour pages with raw and compact-coded
// pictures, and long documents that fail at their start, packed with the
// coding engine as the utility packs them; and the pinned twelve pages.
//
//   make_documents OUTDIR
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "tests/document/document_builder.h"
#include "tests/document/pinned_document.h"
#include "engine/memory_pack.h"
#include "kwen/text.h"

using namespace testing_support;

namespace {

constexpr int kLetters = 26;
constexpr int kLetterWidth = 9;
constexpr int kLetterHeight = 13;
constexpr int kLetterGap = 2;
constexpr int kWordGap = 7;
constexpr int kLineGap = 11;
constexpr int kMargin = 40;

// A small deterministic generator, so that every build writes the same bytes.
struct Random {
  uint32_t state;
  uint32_t Next() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }
};

// Letter shapes: a few strokes on a 9 x 13 grid, top row first.
std::vector<std::vector<std::string>> MakeLetters() {
  std::vector<std::vector<std::string>> letters;
  Random random{7};
  for (int k = 0; k < kLetters; ++k) {
    std::vector<std::string> rows(kLetterHeight, std::string(kLetterWidth, '.'));
    for (int stroke = 0; stroke < 3; ++stroke) {
      bool vertical = random.Below(2) == 0;
      int at = random.Below(vertical ? kLetterWidth - 1 : kLetterHeight - 1);
      for (int t = 0; t < (vertical ? kLetterHeight : kLetterWidth); ++t) {
        for (int thick = 0; thick < 2; ++thick) {
          if (vertical) rows[t][at + thick] = '#';
          else rows[at + thick][t] = '#';
        }
      }
    }
    letters.push_back(rows);
  }
  return letters;
}

struct Document {
  size_t pages;
  std::vector<Bytes> records;
  std::map<int, int32_t> letterOffsets;  // letter -> offset of its first copy's height field
};

// Lines of words down the page, from row `top` to row `bottom`.
void WriteText(Document& doc, SpotCursor& cursor, int32_t width, int32_t top, int32_t bottom, Random& random) {
  static const std::vector<std::vector<std::string>> letters = MakeLetters();
  const int32_t recordStart = RecordOffset(doc.records, doc.pages, doc.records.size());
  for (int32_t line = top + kLetterHeight; line < bottom; line += kLetterHeight + kLineGap) {
    int32_t left = kMargin;
    while (true) {
      int word = 2 + random.Below(8);
      if (left + word * (kLetterWidth + kLetterGap) > width - kMargin) break;
      for (int k = 0; k < word; ++k) {
        int letter = random.Below(kLetters);
        auto known = doc.letterOffsets.find(letter);
        if (known != doc.letterOffsets.end()) {
          cursor.Refer(left, line, kLetterWidth, known->second);
        } else {
          size_t field = cursor.Place(left, line, kLetterWidth, kLetterHeight, MaskFromRows(letters[letter]));
          doc.letterOffsets[letter] = recordStart + static_cast<int32_t>(field);
        }
        left += kLetterWidth + kLetterGap;
      }
      left += kWordGap;
    }
  }
}

// A 1-bit page of text; `noiseRows` rows of a halftone-like figure at the top.
Bytes TextPage(Document& doc, int32_t width, int32_t height, int32_t noiseRows, Random& random) {
  PageWriter page(width, height, 1, BlackWhite());
  SpotCursor cursor{page};
  int32_t textTop = kMargin;
  if (noiseRows > 0) {
    uint32_t figureWidth = static_cast<uint32_t>(width - 2 * kMargin);
    Bytes noise(((figureWidth + 7) / 8) * noiseRows);
    for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random.Next() >> 15);  // the high bits: the low ones repeat soon
    cursor.Place(kMargin, kMargin + noiseRows - 1, figureWidth, static_cast<uint32_t>(noiseRows), noise);
    textTop += noiseRows + kLineGap;
  }
  WriteText(doc, cursor, width, textTop, height - kMargin, random);
  return page.record;
}

// A 24-bit page: a heading in colour, a raw picture and a compact-coded one.
Bytes ColourPage(Document& doc, int32_t width, int32_t height, Random& random) {
  PageWriter page(width, height, 24, {});
  SpotCursor cursor{page};
  page.ColourEscape(0x00204080);  // dark blue ink (blue, green, red from the low byte)
  WriteText(doc, cursor, width, kMargin, kMargin + 2 * (kLetterHeight + kLineGap), random);
  // Raw pictures are stored by columns, bottom row first.
  const uint32_t rawW = 120, rawH = 90;
  Bytes raw;
  for (uint32_t x = 0; x < rawW; ++x) {
    Bytes column(((24 * rawH + 7) / 8), 0);
    for (uint32_t r = 0; r < rawH; ++r) {
      column[3 * r + 0] = static_cast<uint8_t>(2 * r);
      column[3 * r + 1] = static_cast<uint8_t>(2 * x);
      column[3 * r + 2] = static_cast<uint8_t>(255 - 2 * x);
    }
    raw.insert(raw.end(), column.begin(), column.end());
  }
  page.ColourEscape(0xFFFFFF);  // the white index: colour pictures
  cursor.Place(kMargin, 200 + rawH, rawW, rawH, raw);
  // A compact picture of 18 x 10 blocks, coded by its DC coefficients only:
  // tiles of colour blending across the picture.
  const int32_t scale = 1;
  page.CompactEscape(scale);
  const int blocksW = 18, blocksH = 10;
  const uint32_t picW = 9 * blocksW, picH = 9 * blocksH;
  Bytes coded;
  for (int channel = 0; channel < 3; ++channel) {
    for (int frequency = 0; frequency < 81; ++frequency) {
      int32_t previous = 0;
      for (int block = 0; block < blocksW * blocksH; ++block) {
        int bx = block % blocksW, by = block / blocksW;
        int32_t dc = 0;
        if (frequency == 0) {
          // Brightness, blue-minus-red and red-plus-blue-minus-green, in
          // quantiser steps of the DC (5, 5 and 21 at scale 1).
          dc = channel == 0 ? 160 + 12 * bx + 8 * by : channel == 1 ? 4 * bx - 30 : by - 4;
        }
        PutSigned(coded, frequency == 0 ? dc - previous : 0);
        if (frequency == 0) previous = dc;
      }
    }
  }
  cursor.Place(width - kMargin - static_cast<int32_t>(picW), 200 + rawH, picW, picH, coded);
  page.ColourEscape(0);  // black text below
  WriteText(doc, cursor, width, 320, height - kMargin, random);
  return page.record;
}

// Packed as "durmo a ... /Q" packs them: the quick search keeps the build short.
Bytes Packed(const Bytes& unpacked) {
  Switches quick;
  quick.searchExponent = SearchExponentFor('Q');
  return PackBytes(unpacked.data(), unpacked.size(), quick);
}

Bytes Sample() {
  Document doc{4, {}, {}};
  Random random{2026};
  doc.records.push_back(TextPage(doc, 600, 800, 0, random));
  doc.records.push_back(TextPage(doc, 600, 800, 0, random));
  doc.records.push_back(ColourPage(doc, 640, 720, random));
  doc.records.push_back(TextPage(doc, 600, 800, 120, random));
  return AssembleDocument(doc.records);
}

constexpr size_t kLongPages = 300;
constexpr int32_t kLongWidth = 850;
constexpr int32_t kLongHeight = 1100;

// A page whose one spot refers to a place far past the document's end.
Bytes OutsideReferencePage() {
  PageWriter page(kLongWidth, kLongHeight, 1, BlackWhite());
  page.Reference(kMargin, kMargin, INT32_MAX);
  return page.record;
}

// 300 pages, each with a figure of 600 noisy rows, so that restoring takes
// long enough to watch the first page arrive before the last. With
// `badFirstPage`, a page that cannot be loaded goes before them.
Bytes LongDocument(bool badFirstPage) {
  Document doc{kLongPages + (badFirstPage ? 1 : 0), {}, {}};
  if (badFirstPage) doc.records.push_back(OutsideReferencePage());
  Random random{300};
  while (doc.records.size() < doc.pages) doc.records.push_back(TextPage(doc, kLongWidth, kLongHeight, 600, random));
  return AssembleDocument(doc.records);
}

// Long documents refused as soon as their start is read, while the utility
// is still restoring the rest: one of the older format, one whose page table
// holds a negative size.
Bytes OldLabel(Bytes doc) {
  doc[0] = 'K', doc[1] = 'W', doc[2] = 'E', doc[3] = 'N';
  return doc;
}

Bytes DamagedTable(Bytes doc) {
  constexpr size_t kDamagedEntry = kLongPages / 2;
  for (size_t k = 0; k < 4; ++k) doc[4 + 4 * kDamagedEntry + k] = 0xFF;
  return doc;
}

// The document followed by a text of a word a page, a title and an outline,
// which the viewer never reads.
Bytes WithText(Bytes doc, int32_t pages) {
  kwen::DocumentText text;
  text.title = "The sample, with text";
  for (int32_t page = 0; page < pages; ++page) {
    text.outline.push_back(kwen::OutlineItem{"Page " + std::to_string(page + 1), page, 0});
    text.pages.push_back(kwen::PageText{{kwen::TextLine{{kwen::Word{"wörd", kwen::Box{kMargin, kMargin, 90, 60}}}, true}}});
  }
  const Bytes stored = kwen::EncodeText(text, pages);
  doc.insert(doc.end(), stored.begin(), stored.end());
  return doc;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_documents OUTDIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  const Bytes sample = Sample();
  const Bytes longDocument = LongDocument(false);
  const struct {
    const char* name;
    Bytes bytes;
  } files[] = {
      {"sample.kwen", Packed(sample)},
      {"sample.bs", sample},
      {"texted.kwen", Packed(WithText(sample, 4))},
      {"long.kwen", Packed(longDocument)},
      {"old_label.kwen", Packed(OldLabel(longDocument))},
      {"damaged_table.kwen", Packed(DamagedTable(longDocument))},
      {"bad_first_page.kwen", Packed(LongDocument(true))},
      {"pinned.kwen", Packed(testing_support::MakePinnedDocument())},
  };
  for (const auto& file : files) WriteFileBytes(dir + "/" + file.name, file.bytes);
  return 0;
}
