#include "tests/document/pinned_document.h"

#include <algorithm>
#include <iterator>

#include "document/document_layout.h"

namespace testing_support {

namespace {

// A small generator of its own, so that every build makes the same document.
struct Random {
  uint32_t state;
  uint32_t Below(uint32_t n) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % n;
  }
  // Bytes that are often all clear or all set, as masks and pictures are.
  Bytes Pixels(uint64_t size) {
    Bytes bytes(size);
    for (uint8_t& byte : bytes) byte = Below(3) == 0 ? 0x00 : Below(2) == 0 ? 0xFF : static_cast<uint8_t>(Below(256));
    return bytes;
  }
};

struct PageSpec {
  int32_t width, height;
  uint16_t bits;
  std::vector<RgbQuad> table;
  int records;
};

// A stored spot that later ones may refer to, with the state it was coded in.
struct StoredSpot {
  int32_t offset;
  uint32_t width, height;
  uint16_t bits;
  bool picture, compactCoded;
};

constexpr uint32_t kTallest = 0x7FFFFFFF;  // a height of a 5-byte number

struct Maker {
  Random random{14};
  size_t pages;
  std::vector<Bytes> records;
  std::vector<StoredSpot> stored;
};

// Coefficients of every block and channel: brightness DC steps, a few low frequencies,
// now and then one large enough to push sums past 0 and 255.
Bytes CompactCoefficients(Random& random, uint32_t w, uint32_t h) {
  const uint32_t blocks = (w + 8) / 9 * ((h + 8) / 9);
  Bytes out;
  for (int i = 0; i < 3 * 81; ++i) {
    for (uint32_t block = 0; block < blocks; ++block) {
      int32_t value = 0;
      if (i == 0) value = static_cast<int32_t>(random.Below(81)) - 40;
      else if (i < 30 && random.Below(3) == 0) value = static_cast<int32_t>(random.Below(21)) - 10;
      else if (random.Below(60) == 0) value = static_cast<int32_t>(random.Below(2001)) - 1000;
      PutSigned(out, value);
    }
  }
  return out;
}

// The record fields that move the cursor so that a spot of width w starts
// at `left` (as near as dx can go) with its bottom row at `bottom`.
struct Cursor {
  int32_t pageWidth;
  int64_t x = 0, y = 0;
  std::pair<int32_t, int32_t> MoveTo(int64_t left, int64_t bottom, uint32_t w) {
    const int64_t dx = std::clamp<int64_t>(left - x, 1 - pageWidth, pageWidth - 1);
    const int64_t dy = bottom - y;
    x += dx + int64_t{w} - 1;
    y = bottom;
    return {static_cast<int32_t>(dx), static_cast<int32_t>(dy)};
  }
};

uint32_t WhiteIndex(const PageSpec& spec) {
  uint32_t white = (1u << spec.bits) - 1;
  for (size_t i = 0; i < spec.table.size(); ++i) {
    const RgbQuad& entry = spec.table[i];
    if (entry.rgbRed == 255 && entry.rgbGreen == 255 && entry.rgbBlue == 255) white = static_cast<uint32_t>(i);
  }
  return white;
}

// A page of random records after a fixed opening: the escapes at dx = -W and
// dx = W, a thin mask of the greatest height, and spots of no pixels.
Bytes RandomPage(Maker& maker, const PageSpec& spec) {
  Random& random = maker.random;
  PageWriter page(spec.width, spec.height, spec.bits, spec.table);
  const int32_t recordStart = RecordOffset(maker.records, maker.pages, maker.records.size());
  const uint32_t low = (1u << spec.bits) - 1, white = WhiteIndex(spec);
  Cursor cursor{spec.width};
  bool picture = false, compact = false;
  auto colour = [&](uint32_t ink) {
    page.ColourEscape(ink);
    picture = (ink & low) == white;
    compact = false;
  };
  page.CompactEscape(0);
  colour(0);
  colour(white == 0 ? 1 : 0);
  for (int i = 0; i < spec.records; ++i) {
    const uint32_t choice = i < 3 ? 10 + i : random.Below(10);
    if (choice == 0) {
      colour(random.Below(2 * low + 2));  // now and then wider than the page's bits
    } else if (choice == 1) {
      colour(white);
    } else if (choice == 2) {
      page.CompactEscape(static_cast<int32_t>(random.Below(12)));
      picture = compact = true;
    } else if (choice <= 4) {
      std::vector<StoredSpot> fitting;
      for (const StoredSpot& s : maker.stored) {
        const bool sameCoding = s.bits == spec.bits && s.compactCoded == (compact && !IsThumbnail(s.width, s.height));
        if (s.picture == picture && (!picture || sameCoding)) fitting.push_back(s);
      }
      if (fitting.empty()) continue;
      const StoredSpot& s = fitting[random.Below(static_cast<uint32_t>(fitting.size()))];
      const int64_t left = static_cast<int64_t>(random.Below(spec.width + s.width)) - s.width / 2;
      const auto [dx, dy] = cursor.MoveTo(left, random.Below(spec.height + s.height / 2), s.width);
      page.Reference(dx, dy, s.offset);
    } else {
      // Sizes from 1 up past the page; only thumbnails where compact coding
      // cannot be decoded.
      const bool thumbnailsOnly = compact && spec.bits < 24;
      uint32_t w = 1 + random.Below(thumbnailsOnly ? 3 : spec.width / 3 + 2);
      uint32_t h = 1 + random.Below(thumbnailsOnly ? 3 : spec.height / 3 + 2);
      if (choice == 10) w = 1, h = kTallest;
      if (choice == 11) w = 0;
      if (choice == 12) h = 0;
      const bool compactCoded = picture && compact && !IsThumbnail(w, h);
      Bytes data;
      if (w != 0 && h != 0 && !CarriesNoBits(picture ? spec.bits : 1, w, h)) {
        data = compactCoded ? CompactCoefficients(random, w, h)
                            : random.Pixels(picture ? (uint64_t{spec.bits} * h + 7) / 8 * w : (w + 7) / 8 * uint64_t{h});
      }
      const int64_t left = static_cast<int64_t>(random.Below(spec.width + w / 2 + 1)) - w / 4;
      const int64_t bottom = h == kTallest ? random.Below(spec.height) : random.Below(spec.height + h / 2 + 1);
      const auto [dx, dy] = cursor.MoveTo(left, bottom, w);
      const size_t field = page.Inline(dx, dy, w, h, data);
      if (w != 0 && h != 0) {
        maker.stored.push_back({recordStart + static_cast<int32_t>(field), w, h, spec.bits, picture, compactCoded});
      }
    }
  }
  // A page cannot end in an escape: the record after one is always read.
  colour(white == 0 ? 1 : 0);
  page.Inline(0, 0, 1, 1, {});
  return page.record;
}

// A page of text: lines of letters from a small set of random shapes, each
// stored once in the document and referred to after that.
Bytes TextPage(Maker& maker, int32_t width, int32_t height) {
  Random& random = maker.random;
  PageWriter page(width, height, 1, BlackWhite());
  const int32_t recordStart = RecordOffset(maker.records, maker.pages, maker.records.size());
  struct Letter {
    uint32_t w, h;
    Bytes mask;
    int32_t offset;
  };
  std::vector<Letter> letters;
  for (int k = 0; k < 12; ++k) {
    const uint32_t w = 4 + random.Below(14), h = 6 + random.Below(12);
    letters.push_back({w, h, random.Pixels((w + 7) / 8 * uint64_t{h}), 0});
  }
  Cursor cursor{width};
  for (int32_t line = 20; line < height - 4; line += 22) {
    for (int32_t left = 3 + static_cast<int32_t>(random.Below(6)); left < width - 20;) {
      Letter& letter = letters[random.Below(static_cast<uint32_t>(letters.size()))];
      const auto [dx, dy] = cursor.MoveTo(left, line + static_cast<int32_t>(random.Below(3)), letter.w);
      if (letter.offset != 0) {
        page.Reference(dx, dy, letter.offset);
      } else {
        letter.offset = recordStart + static_cast<int32_t>(page.Inline(dx, dy, letter.w, letter.h, letter.mask));
      }
      left += static_cast<int32_t>(letter.w + 1 + random.Below(3) * 3);
    }
  }
  return page.record;
}

}  // namespace

Bytes MakePinnedDocument() {
  const PageSpec specs[] = {
      {77, 53, 1, BlackWhite(), 120},  {64, 40, 1, WhiteBlack(), 120}, {35, 20, 2, GreyRamp(4), 80},
      {45, 30, 4, GreyRamp(16), 100},  {63, 37, 8, GreyRamp(256), 120}, {31, 9, 3, {}, 60},
      {29, 21, 16, {}, 80},            {19, 11, 12, {}, 60},           {70, 50, 24, {}, 150},
      {1, 12, 1, BlackWhite(), 30},    {97, 33, 24, {}, 150},
  };
  Maker maker;
  maker.pages = std::size(specs) + 1;
  for (const PageSpec& spec : specs) {
    maker.records.push_back(RandomPage(maker, spec));
    if (maker.records.size() == 2) maker.records.push_back(TextPage(maker, 420, 260));
  }
  return AssembleDocument(maker.records);
}

Bytes MakeTextDocument(const std::vector<std::pair<int32_t, int32_t>>& sizes) {
  Maker maker;
  maker.pages = sizes.size();
  for (const auto& [width, height] : sizes) maker.records.push_back(TextPage(maker, width, height));
  return AssembleDocument(maker.records);
}

}  // namespace testing_support
