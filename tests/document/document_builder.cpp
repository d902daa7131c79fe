#include "tests/document/document_builder.h"

namespace testing_support {

void PutUnsigned(Bytes& out, uint32_t value) {
  do {
    uint8_t byte = value & 0x7F;
    value >>= 7;
    out.push_back(value != 0 ? static_cast<uint8_t>(byte | 0x80) : byte);
  } while (value != 0);
}

void PutSigned(Bytes& out, int32_t value) {
  uint32_t magnitude = value < 0 ? static_cast<uint32_t>(-static_cast<int64_t>(value)) : static_cast<uint32_t>(value);
  PutUnsigned(out, magnitude << 1 | (value < 0 ? 1u : 0u));
}

void PutLittle(Bytes& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

const std::vector<RgbQuad>& BlackWhite() {
  static const std::vector<RgbQuad> table = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  return table;
}

const std::vector<RgbQuad>& WhiteBlack() {
  static const std::vector<RgbQuad> table = {{255, 255, 255, 0}, {0, 0, 0, 0}};
  return table;
}

std::vector<RgbQuad> GreyRamp(int entries) {
  std::vector<RgbQuad> table;
  for (int i = 0; i < entries; ++i) {
    uint8_t level = static_cast<uint8_t>(i * 255 / (entries - 1));
    table.push_back({level, level, level, 0});
  }
  return table;
}

Bytes PageHeaders(int32_t width, int32_t height, uint16_t bits, const std::vector<RgbQuad>& table,
                  int64_t offBits) {
  Bytes out;
  uint32_t offset = offBits >= 0 ? static_cast<uint32_t>(offBits) : 54 + 4 * static_cast<uint32_t>(table.size());
  uint32_t image = static_cast<uint32_t>(RowBytes(bits, static_cast<uint32_t>(width)) * static_cast<uint32_t>(height));
  // Type, file size, reserved, offset of the bits; size of the information
  // header, width, height, planes, bits, compression, image size, 300 dpi
  // both ways, colours used and important.
  const std::pair<uint32_t, int> fields[] = {
      {kBitmapType, 2}, {offset + image, 4}, {0, 4}, {offset, 4}, {40, 4}, {static_cast<uint32_t>(width), 4},
      {static_cast<uint32_t>(height), 4}, {1, 2}, {bits, 2}, {0, 4}, {image, 4}, {11811, 4}, {11811, 4}, {0, 4}, {0, 4}};
  for (auto [value, bytes] : fields) PutLittle(out, value, bytes);
  for (const RgbQuad& entry : table) out.insert(out.end(), {entry.rgbBlue, entry.rgbGreen, entry.rgbRed, entry.rgbReserved});
  return out;
}

PageWriter::PageWriter(int32_t pageWidth, int32_t pageHeight, uint16_t bits, const std::vector<RgbQuad>& table)
    : record(PageHeaders(pageWidth, pageHeight, bits, table)), width(pageWidth) {}

void PageWriter::ColourEscape(uint32_t ink) { PutSigned(record, width + static_cast<int32_t>(ink)); }

void PageWriter::CompactEscape(int32_t scale) { PutSigned(record, -width - scale); }

size_t PageWriter::Inline(int32_t dx, int32_t dy, uint32_t w, uint32_t h, const Bytes& data) {
  PutSigned(record, dx);
  PutSigned(record, dy);
  size_t heightField = record.size();
  PutSigned(record, -static_cast<int32_t>(h));
  PutUnsigned(record, w);
  record.insert(record.end(), data.begin(), data.end());
  return heightField;
}

void PageWriter::Reference(int32_t dx, int32_t dy, int32_t heightFieldOffset) {
  PutSigned(record, dx);
  PutSigned(record, dy);
  PutSigned(record, heightFieldOffset);
}

Bytes AssembleDocument(const std::vector<Bytes>& records) {
  Bytes out = BytesOf("KNWE");
  for (const Bytes& record : records) PutLittle(out, static_cast<uint32_t>(record.size()), 4);
  PutLittle(out, 0, 4);
  for (const Bytes& record : records) out.insert(out.end(), record.begin(), record.end());
  return out;
}

int32_t RecordOffset(const std::vector<Bytes>& records, size_t pages, size_t k) {
  int32_t offset = 8 + 4 * static_cast<int32_t>(pages);
  for (size_t i = 0; i < k; ++i) offset += static_cast<int32_t>(records[i].size());
  return offset;
}

Bytes MaskFromRows(const std::vector<std::string>& topFirst) {
  Bytes out;
  for (auto row = topFirst.rbegin(); row != topFirst.rend(); ++row) {
    Bytes bytes((row->size() + 7) / 8, 0);
    for (size_t c = 0; c < row->size(); ++c) {
      if ((*row)[c] == '#') bytes[c / 8] |= static_cast<uint8_t>(0x80 >> (c % 8));
    }
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  return out;
}

}  // namespace testing_support
