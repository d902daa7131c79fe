#include "builder/document_writer.h"

#include <cstring>

#include "document/bitmap_types.h"
#include "document/document_layout.h"

namespace {

constexpr int32_t kLargestDocument = INT32_MAX;
constexpr uint32_t kInfoHeaderSize = 40;

void PutLittle(Bytes& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void StoreTableEntry(Bytes& out, int32_t page, uint32_t size) {
  const size_t at = TableEntryOffset(page);
  for (size_t i = 0; i < kTableEntryBytes; ++i) out[at + i] = static_cast<uint8_t>(size >> (8 * i));
}

int32_t TableEntry(const Bytes& bytes, int32_t page) {
  const size_t at = TableEntryOffset(page);
  uint32_t size = 0;
  for (size_t i = 0; i < kTableEntryBytes; ++i) size |= uint32_t{bytes[at + i]} << (8 * i);
  return static_cast<int32_t>(size);
}

void PutSpotStart(SpotStream& stream, int32_t left, int32_t bottom, int32_t width) {
  PutSignedNumber(stream.document->bytes, left - stream.x);
  PutSignedNumber(stream.document->bytes, bottom - stream.y);
  stream.x = left + width - 1;
  stream.y = bottom;
  ++stream.document->counts.spots;
}

std::string ShapeKey(int32_t width, int32_t height, const Bytes& mask) {
  std::string key(8 + mask.size(), '\0');
  std::memcpy(&key[0], &width, 4);
  std::memcpy(&key[4], &height, 4);
  if (!mask.empty()) std::memcpy(&key[8], mask.data(), mask.size());
  return key;
}

// Height field, width and data of an inline spot; returns the height
// field's offset.
int32_t PutInline(Bytes& out, int32_t width, int32_t height, const Bytes& data) {
  const int32_t heightField = static_cast<int32_t>(out.size());
  PutSignedNumber(out, InlineHeightField(height));
  PutUnsignedNumber(out, static_cast<uint32_t>(width));
  out.insert(out.end(), data.begin(), data.end());
  return heightField;
}

}  // namespace

void PutUnsignedNumber(Bytes& out, uint32_t value) {
  uint8_t bytes[kLongestNumber];
  const int count = EncodeUnsignedNumber(value, bytes);
  out.insert(out.end(), bytes, bytes + count);
}

void PutSignedNumber(Bytes& out, int32_t value) { PutUnsignedNumber(out, NumberFromSigned(value)); }

size_t UnsignedNumberSize(uint32_t value) {
  uint8_t bytes[kLongestNumber];
  return static_cast<size_t>(EncodeUnsignedNumber(value, bytes));
}

size_t SignedNumberSize(int32_t value) { return UnsignedNumberSize(NumberFromSigned(value)); }

void BeginDocument(DocumentWriter& document, int32_t pageCount) {
  document = DocumentWriter{};
  document.pageCount = pageCount;
  document.bytes.assign(kDocumentLabel, kDocumentLabel + kLabelBytes);
  document.bytes.resize(static_cast<size_t>(FirstPageOffset(pageCount)), 0);
}

void BeginPage(DocumentWriter& document, int32_t width, int32_t height, uint16_t bits, int32_t xPelsPerMetre,
               int32_t yPelsPerMetre) {
  const uint32_t colours = bits == 1 ? 2 : bits == 8 ? 256 : 0;
  const uint32_t offBits = kBitmapHeadersSize + 4 * colours;
  const uint32_t imageSize = static_cast<uint32_t>(RowBytes(bits, width) * height);
  Bytes& out = document.bytes;
  document.pageStart = out.size();
  PutLittle(out, kBitmapType, 2);
  PutLittle(out, offBits + imageSize, 4);  // the size of the page exported as a BMP file
  PutLittle(out, 0, 4);
  PutLittle(out, offBits, 4);
  PutLittle(out, kInfoHeaderSize, 4);
  PutLittle(out, static_cast<uint32_t>(width), 4);
  PutLittle(out, static_cast<uint32_t>(height), 4);
  PutLittle(out, 1, 2);
  PutLittle(out, bits, 2);
  PutLittle(out, 0, 4);
  PutLittle(out, imageSize, 4);
  PutLittle(out, static_cast<uint32_t>(xPelsPerMetre), 4);
  PutLittle(out, static_cast<uint32_t>(yPelsPerMetre), 4);
  PutLittle(out, colours, 4);
  PutLittle(out, colours, 4);
  if (bits == 1) {
    PutLittle(out, 0x00000000, 4);  // black
    PutLittle(out, 0x00FFFFFF, 4);  // white
  }
  if (bits == 8) {
    for (uint32_t grey = 0; grey < colours; ++grey) PutLittle(out, grey | grey << 8 | grey << 16, 4);
  }
}

bool EndPage(DocumentWriter& document) {
  if (document.bytes.size() >= static_cast<size_t>(kLargestDocument)) return false;
  const size_t size = document.bytes.size() - document.pageStart;
  StoreTableEntry(document.bytes, document.pagesDone, static_cast<uint32_t>(size));
  ++document.pagesDone;
  return true;
}

std::vector<int32_t> PageOffsets(const DocumentWriter& document) {
  std::vector<int32_t> offsets(static_cast<size_t>(document.pagesDone) + 1);
  for (int32_t k = 0; k < document.pagesDone; ++k) offsets[static_cast<size_t>(k)] = TableEntry(document.bytes, k);
  // EndPage keeps the document below 2 GiB, so every offset fits.
  PageOffsetsFromSizes(offsets.data(), document.pagesDone, FirstPageOffset(document.pageCount));
  return offsets;
}

SpotStream StartSpots(DocumentWriter& document, int32_t pageWidth, uint32_t whiteInk) {
  SpotStream stream{&document, pageWidth, whiteInk};
  return stream;
}

void SelectInk(SpotStream& stream, uint32_t ink) {
  if (stream.ink == ink && !stream.compact) return;
  PutSignedNumber(stream.document->bytes, ColourEscape(ink, stream.pageWidth));
  stream.ink = ink;
  stream.compact = false;
}

void SelectCompact(SpotStream& stream, int32_t scale) {
  if (stream.compact && stream.scale == scale) return;
  PutSignedNumber(stream.document->bytes, CompactEscape(scale, stream.pageWidth));
  stream.ink = stream.whiteInk;
  stream.compact = true;
  stream.scale = scale;
}

void PutMask(SpotStream& stream, int32_t left, int32_t bottom, int32_t width, int32_t height, const Bytes& mask) {
  DocumentWriter& document = *stream.document;
  PutSpotStart(stream, left, bottom, width);
  // A mask one pixel thin has no bits stored: nothing to refer to.
  if (CarriesNoBits(1, static_cast<uint32_t>(width), static_cast<uint32_t>(height))) {
    ++document.counts.inlineMasks;
    PutInline(document.bytes, width, height, Bytes{});
    return;
  }
  std::string key = ShapeKey(width, height, mask);
  auto stored = document.storedMasks.find(key);
  const size_t inlineSize = SignedNumberSize(InlineHeightField(height)) + UnsignedNumberSize(width) + mask.size();
  if (stored != document.storedMasks.end() && SignedNumberSize(stored->second) < inlineSize) {
    PutSignedNumber(document.bytes, stored->second);
    ++document.counts.references;
    return;
  }
  ++document.counts.inlineMasks;
  const int32_t heightField = PutInline(document.bytes, width, height, mask);
  if (stored == document.storedMasks.end()) document.storedMasks.emplace(std::move(key), heightField);
}

void PutBlankSpot(SpotStream& stream, uint16_t bits) {
  // A white picture of one pixel; on a 1-bit page it has no bits at all.
  SelectInk(stream, stream.whiteInk);
  PutSpotStart(stream, 0, 0, 1);
  PutInline(stream.document->bytes, 1, 1, CarriesNoBits(bits, 1, 1) ? Bytes{} : Bytes(bits / 8, 0xFF));
}

void PutPicture(SpotStream& stream, int32_t left, int32_t bottom, int32_t width, int32_t height,
                const Bytes& data, bool compactCoded) {
  PutSpotStart(stream, left, bottom, width);
  PutInline(stream.document->bytes, width, height, data);
  ++(compactCoded ? stream.document->counts.compactPictures : stream.document->counts.rawPictures);
}
