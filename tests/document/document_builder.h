// A test-side writer of unpacked documents, record by record.
#pragma once

#include <cstdint>
#include <vector>

#include "tests/test_support.h"
#include "document/bitmap_types.h"

namespace testing_support {

void PutUnsigned(Bytes& out, uint32_t value);
void PutSigned(Bytes& out, int32_t value);
void PutLittle(Bytes& out, uint32_t value, int bytes);

const std::vector<RgbQuad>& BlackWhite();   // black, then white
const std::vector<RgbQuad>& WhiteBlack();   // inverted
std::vector<RgbQuad> GreyRamp(int entries); // from black up to white

// The file header, information header and colour table of a page. The
// offset of the bits is 54 + 4 x the table size unless given.
Bytes PageHeaders(int32_t width, int32_t height, uint16_t bits, const std::vector<RgbQuad>& table,
                  int64_t offBits = -1);

// One page record under construction.
struct PageWriter {
  Bytes record;
  int32_t width;

  PageWriter(int32_t pageWidth, int32_t pageHeight, uint16_t bits, const std::vector<RgbQuad>& table);
  void ColourEscape(uint32_t ink);
  void CompactEscape(int32_t scale);
  // An inline spot; returns the position of its height field in the record.
  size_t Inline(int32_t dx, int32_t dy, uint32_t w, uint32_t h, const Bytes& data);
  void Reference(int32_t dx, int32_t dy, int32_t heightFieldOffset);
};

// Spots placed one after another: each position is relative to the last.
struct SpotCursor {
  PageWriter& page;
  int32_t x = 0, y = 0;
  size_t Place(int32_t left, int32_t bottom, uint32_t w, uint32_t h, const Bytes& data) {
    const size_t field = page.Inline(left - x, bottom - y, w, h, data);
    x = left + static_cast<int32_t>(w) - 1;
    y = bottom;
    return field;
  }
  void Refer(int32_t left, int32_t bottom, uint32_t w, int32_t offset) {
    page.Reference(left - x, bottom - y, offset);
    x = left + static_cast<int32_t>(w) - 1;
    y = bottom;
  }
};

// The label, the size table and the records.
Bytes AssembleDocument(const std::vector<Bytes>& records);
// The offset of record k in a document of `pages` records of these sizes.
int32_t RecordOffset(const std::vector<Bytes>& records, size_t pages, size_t k);

// Mask rows bottom row first, leftmost pixel in bit 7, from text rows given
// top row first ('#' is ink).
Bytes MaskFromRows(const std::vector<std::string>& topFirst);

}  // namespace testing_support
