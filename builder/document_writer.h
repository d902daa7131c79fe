// Writes unpacked documents: the label, the page-size table and the page
// records with their spot records, storing every mask shape once.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

using Bytes = std::vector<uint8_t>;

// The numbers of document_layout.h, appended to `out`, and their sizes.
void PutUnsignedNumber(Bytes& out, uint32_t value);
void PutSignedNumber(Bytes& out, int32_t value);
size_t SignedNumberSize(int32_t value);
size_t UnsignedNumberSize(uint32_t value);

constexpr uint32_t kWhite24 = 0xFFFFFF;
constexpr uint32_t kWhite1 = 1;  // the white index of a 1-bit page's black, white table
constexpr uint32_t kBlackInk = 0;  // the black index of both kinds of page

// What the spots of a document were made of.
struct SpotCounts {
  int64_t spots = 0;
  int64_t inlineMasks = 0;
  int64_t references = 0;
  int64_t rawPictures = 0;
  int64_t compactPictures = 0;
};

struct DocumentWriter {
  Bytes bytes;
  int32_t pageCount = 0;
  int32_t pagesDone = 0;
  size_t pageStart = 0;
  // Mask shapes already stored: their size and bits, to the offset of the
  // height field of the first copy.
  std::unordered_map<std::string, int32_t> storedMasks;
  SpotCounts counts;
};

// The table gets a slot for each of `pageCount` pages (at most kMaxPages).
void BeginDocument(DocumentWriter& document, int32_t pageCount);
// A page of 1 bit per pixel (colour table black, white), 8 (the 256 greys,
// each its own index) or 24 bits (no table); resolutions in pixels per metre.
void BeginPage(DocumentWriter& document, int32_t width, int32_t height, uint16_t bits, int32_t xPelsPerMetre,
               int32_t yPelsPerMetre);
// Records the page's size in the table. False when the document would
// reach 2 GiB.
bool EndPage(DocumentWriter& document);
// The offsets of the records of the pages written, then the end of the last.
std::vector<int32_t> PageOffsets(const DocumentWriter& document);

// The spot stream of the page being written: cursor, ink and compact state.
struct SpotStream {
  DocumentWriter* document;
  int32_t pageWidth;
  uint32_t whiteInk;
  int32_t x = 0;
  int32_t y = 0;
  uint32_t ink = kBlackInk;
  bool compact = false;
  int32_t scale = -1;
};

SpotStream StartSpots(DocumentWriter& document, int32_t pageWidth, uint32_t whiteInk);
// Masks under this ink (a colour escape unless it is the current one).
void SelectInk(SpotStream& stream, uint32_t ink);
// Compact-coded pictures at this quantiser scale (a compact escape unless
// it is the current state).
void SelectCompact(SpotStream& stream, int32_t scale);
// A mask whose bottom-left pixel is at (left, bottom), rows from the top:
// a reference when the same shape is stored already and that is shorter.
void PutMask(SpotStream& stream, int32_t left, int32_t bottom, int32_t width, int32_t height, const Bytes& mask);
// A spot that paints nothing, for a page without ink: the viewer shows
// only pages that drew a spot.
void PutBlankSpot(SpotStream& stream, uint16_t bits);
// A picture, raw or compact-coded, as the current state reads it.
void PutPicture(SpotStream& stream, int32_t left, int32_t bottom, int32_t width, int32_t height,
                const Bytes& data, bool compactCoded);
