// The layout of an unpacked document, shared by the page loader and by
// kwentool's writer so that the two cannot drift apart.
//
// A document is the label "KNWE", a table of page sizes and the page records.
// Each record is a BMP file header, an information header and colour table
// (no pixels), then spot records up to the next page. A spot record places one
// small picture on the page:
//
//   dx      signed: the spot's left column minus the previous spot's last one
//   dy      signed: the spot's bottom row (from the top) minus the previous one
//   height  signed: -h for a spot stored here, or a positive offset in the
//           document of the height field of a spot stored elsewhere, whose
//           height, width and pixels the spot then reuses
//   width   unsigned (stored spots only)
//   pixels  stored spots only: a 1-bit mask drawn in the current ink, or with
//           white ink a picture of the page's depth, raw or compact-coded
//
// A dx no spot can have (at least the page's width away from 0) is an escape
// that changes the state for the spots after it instead: far left selects
// compact-coded pictures at a quantiser scale (and white ink), far right a
// mask ink and raw pictures.
#pragma once

#include <cstddef>
#include <cstdint>

// The label, and those of older layouts that are recognised but refused.
constexpr size_t kLabelBytes = 4;
constexpr char kDocumentLabel[kLabelBytes + 1] = "KNWE";
constexpr char kOldDocumentLabels[][kLabelBytes + 1] = {"KWEN", "KWNE"};

constexpr bool LabelIs(const uint8_t* bytes, const char* label) {
  for (size_t i = 0; i < kLabelBytes; ++i) {
    if (bytes[i] != static_cast<uint8_t>(label[i])) return false;
  }
  return true;
}

constexpr bool IsOldDocumentLabel(const uint8_t* bytes) {
  for (const char* old : kOldDocumentLabels) {
    if (LabelIs(bytes, old)) return true;
  }
  return false;
}

// The page table: after the label, one 4-byte little-endian size per page
// record (positive), closed by a 0. Page records follow the table in order,
// so each record's offset is the previous one's plus its size.
constexpr int kMaxPages = 999;
constexpr size_t kTableEntryBytes = 4;
constexpr int32_t kTableEnd = 0;

constexpr size_t TableEntryOffset(int32_t page) { return kLabelBytes + kTableEntryBytes * static_cast<size_t>(page); }

// The offset of the first record after a table of `pageCount` sizes.
constexpr int64_t FirstPageOffset(int32_t pageCount) { return static_cast<int64_t>(TableEntryOffset(pageCount + 1)); }

// Turns entries[0 .. count - 1], the sizes of the pages from the one at
// `firstOffset`, into the offsets of their records in entries[0 .. count],
// the last being the end of the last page. False when an offset goes past
// INT32_MAX.
inline bool PageOffsetsFromSizes(int32_t* entries, int32_t count, int64_t firstOffset) {
  int64_t offset = firstOffset;
  for (int32_t k = 0; k <= count; ++k) {
    if (offset > INT32_MAX) return false;
    const int64_t size = k < count ? entries[k] : 0;
    entries[k] = static_cast<int32_t>(offset);
    offset += size;
  }
  return true;
}

// Numbers: 7-bit groups, least significant first, bit 7 set when another
// byte follows; at most 5 bytes. A signed number is an unsigned one with the
// sign in bit 0 and the magnitude above it.
constexpr int kLongestNumber = 5;
constexpr int kNumberGroupBits = 7;
constexpr uint32_t kNumberGroupMask = 0x7F;
constexpr uint8_t kMoreBytesFollow = 0x80;

// Writes the bytes of `value` to `bytes`; returns how many.
constexpr int EncodeUnsignedNumber(uint32_t value, uint8_t (&bytes)[kLongestNumber]) {
  int count = 0;
  while (value > kNumberGroupMask) {
    bytes[count++] = static_cast<uint8_t>(value | kMoreBytesFollow);
    value >>= kNumberGroupBits;
  }
  bytes[count++] = static_cast<uint8_t>(value);
  return count;
}

// Reads one number, taking its bytes from next(); returns the bytes taken,
// or 0 when the number does not end within kLongestNumber bytes.
template <typename NextByte>
int DecodeUnsignedNumber(NextByte&& next, uint32_t* value) {
  uint32_t result = 0;
  for (int count = 1; count <= kLongestNumber; ++count) {
    const uint8_t group = next();
    result |= (group & kNumberGroupMask) << (kNumberGroupBits * (count - 1));
    if ((group & kMoreBytesFollow) == 0) {
      *value = result;
      return count;
    }
  }
  return 0;
}

constexpr uint32_t NumberFromSigned(int32_t value) {
  return value < 0 ? (static_cast<uint32_t>(-static_cast<int64_t>(value)) << 1) | 1u
                   : static_cast<uint32_t>(value) << 1;
}

constexpr int32_t SignedFromNumber(uint32_t number) {
  const int32_t magnitude = static_cast<int32_t>(number >> 1);
  return (number & 1u) ? -magnitude : magnitude;
}

// Escapes in dx, for a page `width` pixels wide. A compact escape (dx <=
// -width) switches to compact-coded pictures at quantiser scale -dx - width;
// a colour escape (dx >= width) draws the masks after it in ink dx - width.
constexpr bool IsCompactEscape(int32_t dx, int32_t width) { return dx <= -width; }
constexpr bool IsColourEscape(int32_t dx, int32_t width) { return dx >= width; }
constexpr int32_t CompactEscape(int32_t scale, int32_t width) { return -width - scale; }
constexpr int32_t ScaleOfCompactEscape(int32_t dx, int32_t width) { return -dx - width; }
constexpr int32_t ColourEscape(uint32_t ink, int32_t width) { return static_cast<int32_t>(width + ink); }
constexpr uint32_t InkOfColourEscape(int32_t dx, int32_t width) { return static_cast<uint32_t>(dx - width); }

// The height field: at most 0 for a spot stored here, otherwise the offset
// of a stored spot's height field, which a reference repeats as it is.
constexpr bool IsReference(int32_t heightField) { return heightField > 0; }
constexpr int32_t InlineHeightField(int32_t height) { return -height; }
constexpr uint32_t HeightOfInline(int32_t heightField) {
  return static_cast<uint32_t>(-static_cast<int64_t>(heightField));
}

// Pictures of at most 3 x 3 pixels are never compact-coded: they are stored
// raw whatever the state.
constexpr uint32_t kLargestThumbnail = 3;
constexpr bool IsThumbnail(uint32_t width, uint32_t height) {
  return width <= kLargestThumbnail && height <= kLargestThumbnail;
}

// Pixels of one bit that are one pixel thin carry no bits: all count as set.
constexpr bool CarriesNoBits(uint32_t bitsPerPixel, uint32_t width, uint32_t height) {
  return bitsPerPixel == 1 && (width == 1 || height == 1);
}

// The document's text, stored after the end of the last page, where readers
// that know nothing of it never look (the viewers read only the pages the
// table gives). It is the label "KNWT", an unsigned number, the layout
// (kTextLayout), an unsigned count of sections, then the sections, each a
// 4-byte tag, an unsigned byte count and that many bytes, which end the
// document. A tag appears at most once; a reader skips tags it does not
// know. All numbers are the 7-bit numbers above; texts are UTF-8. The text
// is bounded (the constants below).
//
//   "TITL"  the title
//   "OUTL"  an unsigned count, then per entry: its level (0 at the top, at
//           most one deeper than the entry before), its page (from 0), the
//           byte count of its title and the title
//   "TEXT"  an unsigned count of pages (from the first; the pages after have
//           no text, and the last counted has words), then three runs, each
//           page by page:
//           - lines: an unsigned count of lines in reading order, then per
//             line an unsigned number, its count of words (at least one)
//             times 2, plus 1 when it starts a block (a paragraph);
//           - words: the byte count of the page's words and the words, in
//             reading order, one space apart;
//           - boxes, in page pixels, rows from the top: per line, signed
//             left and top of its first word minus those of the line before
//             (from 0 on each page); per word, for all but a line's first,
//             signed left minus the previous word's right and signed top
//             minus the line's top; then signed height minus the previous
//             word's height (from 0 on each page) and signed width minus
//             the width its letters foretell: the letters (code points)
//             times the page's words so far's widths over their letters,
//             in whole numbers (before any: letters times half the height,
//             halved first), at most kLargestTextCoordinate.
constexpr char kTextLabel[kLabelBytes + 1] = "KNWT";
constexpr uint32_t kTextLayout = 1;
constexpr char kTitleTag[kLabelBytes + 1] = "TITL";
constexpr char kOutlineTag[kLabelBytes + 1] = "OUTL";
constexpr char kPageTextTag[kLabelBytes + 1] = "TEXT";
// The most the text may take: readers restore no further past the pages.
constexpr int64_t kLargestTextBytes = int64_t{64} << 20;
// The most a document's text may hold, so that what a reader sets aside for
// it stays in proportion: words on a page, outline entries, outline levels
// (from 0). A dense book of 999 pages holds some three million words.
constexpr size_t kLargestPageWords = 100000;
constexpr size_t kLargestDocumentWords = 4000000;
constexpr size_t kLargestOutline = 10000;
constexpr int32_t kDeepestOutlineLevel = 15;
// Coordinates of a word's box, which no page reaches.
constexpr int64_t kLargestTextCoordinate = int64_t{1} << 30;
