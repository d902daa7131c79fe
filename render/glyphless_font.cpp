#include "render/glyphless_font.h"

#include <vector>

const char kGlyphlessFontName[] = "KwenGlyphless";

namespace {

constexpr uint16_t kGlyphCount = 2;
constexpr uint32_t kVersionOne = 0x00010000;
constexpr uint32_t kPostVersionThree = 0x00030000;  // no glyph names
constexpr uint32_t kHeadMagic = 0x5F0F3CF5;
constexpr uint32_t kChecksumTarget = 0xB1B0AFBA;
constexpr size_t kChecksumAdjustmentAt = 8;  // in the head table
constexpr uint16_t kWindowsPlatform = 3;
constexpr uint16_t kUnicodeBmpEncoding = 1;
constexpr uint16_t kUsEnglish = 0x409;
constexpr uint16_t kSpace = 0x20;
constexpr uint16_t kWeightRegular = 400;
constexpr uint16_t kWidthNormal = 5;
constexpr uint16_t kSelectionRegular = 0x40;

class BigEndian {
 public:
  void U8(uint8_t value) { bytes_.push_back(static_cast<char>(value)); }
  void U16(uint16_t value) {
    U8(static_cast<uint8_t>(value >> 8));
    U8(static_cast<uint8_t>(value));
  }
  void S16(int32_t value) { U16(static_cast<uint16_t>(value)); }
  void U32(uint32_t value) {
    U16(static_cast<uint16_t>(value >> 16));
    U16(static_cast<uint16_t>(value));
  }
  void Zeros(size_t count) { bytes_.append(count, '\0'); }
  void Text(const std::string& text) { bytes_ += text; }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

struct Table {
  const char* tag;
  std::string bytes;
};

std::string Head() {
  BigEndian out;
  out.U32(kVersionOne);
  out.U32(kVersionOne);  // font revision
  out.U32(0);            // checksum adjustment, set once the file is whole
  out.U32(kHeadMagic);
  out.U16(0x0003);  // baseline at y 0, left side bearing at x 0
  out.U16(kGlyphlessUnitsPerEm);
  out.Zeros(16);  // created and modified
  out.S16(0);     // bounds of all glyphs: none has an outline
  out.S16(kGlyphlessDescent);
  out.S16(kGlyphlessAdvance);
  out.S16(kGlyphlessAscent);
  out.U16(0);  // style
  out.U16(3);  // smallest readable size in pixels
  out.S16(2);  // glyphs left to right, with neutrals
  out.S16(0);  // short glyph locations
  out.S16(0);
  return out.bytes();
}

std::string HorizontalHeader() {
  BigEndian out;
  out.U32(kVersionOne);
  out.S16(kGlyphlessAscent);
  out.S16(kGlyphlessDescent);
  out.S16(0);  // line gap
  out.U16(kGlyphlessAdvance);
  out.S16(0);  // least left side bearing
  out.S16(0);  // least right side bearing
  out.S16(0);  // greatest extent
  out.S16(1);  // upright caret
  out.S16(0);
  out.S16(0);
  out.Zeros(8);
  out.S16(0);  // metric data format
  out.U16(kGlyphCount);
  return out.bytes();
}

std::string MaximumProfile() {
  BigEndian out;
  out.U32(kVersionOne);
  out.U16(kGlyphCount);
  out.Zeros(8);  // points and contours, simple and composite
  out.U16(2);    // zones
  out.Zeros(16);
  return out.bytes();
}

std::string HorizontalMetrics() {
  BigEndian out;
  for (uint16_t glyph = 0; glyph < kGlyphCount; ++glyph) {
    out.U16(kGlyphlessAdvance);
    out.S16(0);
  }
  return out.bytes();
}

// Every glyph starts and ends at 0: no glyph has an outline.
std::string GlyphLocations() {
  BigEndian out;
  for (uint16_t glyph = 0; glyph <= kGlyphCount; ++glyph) out.U16(0);
  return out.bytes();
}

// The space on glyph 1, the one mapping a font needs to be complete.
std::string CharacterMap() {
  constexpr uint16_t kSegments = 2;
  BigEndian out;
  out.U16(0);  // version
  out.U16(1);  // subtables
  out.U16(kWindowsPlatform);
  out.U16(kUnicodeBmpEncoding);
  out.U32(12);  // where the subtable starts
  out.U16(4);   // segment mapping
  out.U16(16 + 8 * kSegments);
  out.U16(0);  // language
  out.U16(2 * kSegments);
  out.U16(4);  // search range
  out.U16(1);  // entry selector
  out.U16(0);  // range shift
  out.U16(kSpace);
  out.U16(0xFFFF);  // end codes
  out.U16(0);       // reserved
  out.U16(kSpace);
  out.U16(0xFFFF);  // start codes
  out.S16(kGlyphlessGlyph - kSpace);
  out.S16(1);  // deltas
  out.U16(0);
  out.U16(0);  // range offsets
  return out.bytes();
}

std::string Names() {
  const std::string version = "Version 1.0";
  const std::string names[] = {kGlyphlessFontName, "Regular", kGlyphlessFontName, kGlyphlessFontName, version,
                               kGlyphlessFontName};
  constexpr uint16_t kCount = 6;
  BigEndian strings;
  BigEndian out;
  out.U16(0);
  out.U16(kCount);
  out.U16(6 + 12 * kCount);
  for (uint16_t id = 0; id < kCount; ++id) {
    const std::string& name = names[id];
    out.U16(kWindowsPlatform);
    out.U16(kUnicodeBmpEncoding);
    out.U16(kUsEnglish);
    out.U16(static_cast<uint16_t>(id + 1));
    out.U16(static_cast<uint16_t>(2 * name.size()));
    out.U16(static_cast<uint16_t>(strings.bytes().size()));
    for (char letter : name) strings.U16(static_cast<uint8_t>(letter));
  }
  out.Text(strings.bytes());
  return out.bytes();
}

std::string Metrics() {
  BigEndian out;
  out.U16(4);  // version
  out.S16(kGlyphlessAdvance);
  out.U16(kWeightRegular);
  out.U16(kWidthNormal);
  out.U16(0);     // embedding: installable
  out.Zeros(20);  // sub- and superscript, strikeout
  out.S16(0);     // family class
  out.Zeros(10);  // panose
  out.Zeros(16);  // Unicode ranges
  out.Text("NONE");
  out.U16(kSelectionRegular);
  out.U16(kSpace);  // first and last character
  out.U16(kSpace);
  out.S16(kGlyphlessAscent);
  out.S16(kGlyphlessDescent);
  out.S16(0);
  out.U16(kGlyphlessAscent);
  out.U16(-kGlyphlessDescent);
  out.U32(1);  // code pages: Latin 1
  out.U32(0);
  out.S16(0);  // x height and cap height
  out.S16(kGlyphlessAscent);
  out.U16(0);  // default character
  out.U16(kSpace);
  out.U16(1);  // context
  return out.bytes();
}

std::string PostScriptNames() {
  BigEndian out;
  out.U32(kPostVersionThree);
  out.U32(0);  // italic angle
  out.S16(-100);
  out.S16(50);  // underline position and thickness
  out.U32(1);   // fixed pitch
  out.Zeros(16);
  return out.bytes();
}

uint32_t Checksum(const std::string& bytes) {
  uint32_t sum = 0;
  for (size_t at = 0; at < bytes.size(); at += 4) {
    uint32_t word = 0;
    for (size_t i = 0; i < 4; ++i) {
      word = (word << 8) | (at + i < bytes.size() ? static_cast<uint8_t>(bytes[at + i]) : 0u);
    }
    sum += word;
  }
  return sum;
}

}  // namespace

std::string GlyphlessFont() {
  // In the order of their tags, as the table directory must be.
  const std::vector<Table> tables = {
      {"OS/2", Metrics()},           {"cmap", CharacterMap()},   {"glyf", std::string()},
      {"head", Head()},              {"hhea", HorizontalHeader()}, {"hmtx", HorizontalMetrics()},
      {"loca", GlyphLocations()},    {"maxp", MaximumProfile()}, {"name", Names()},
      {"post", PostScriptNames()},
  };
  const uint16_t count = static_cast<uint16_t>(tables.size());
  uint16_t power = 1;
  uint16_t selector = 0;
  while (power * 2 <= count) {
    power = static_cast<uint16_t>(power * 2);
    ++selector;
  }
  BigEndian out;
  out.U32(kVersionOne);
  out.U16(count);
  out.U16(static_cast<uint16_t>(16 * power));
  out.U16(selector);
  out.U16(static_cast<uint16_t>(16 * (count - power)));
  uint32_t offset = 12 + 16 * count;
  size_t headAt = 0;
  std::string body;
  for (const Table& table : tables) {
    if (std::string(table.tag) == "head") headAt = offset;
    out.Text(table.tag);
    out.U32(Checksum(table.bytes));
    out.U32(offset);
    out.U32(static_cast<uint32_t>(table.bytes.size()));
    const size_t padded = (table.bytes.size() + 3) / 4 * 4;
    body += table.bytes;
    body.append(padded - table.bytes.size(), '\0');
    offset += static_cast<uint32_t>(padded);
  }
  std::string font = out.bytes() + body;
  const uint32_t adjustment = kChecksumTarget - Checksum(font);
  for (size_t i = 0; i < 4; ++i) {
    font[headAt + kChecksumAdjustmentAt + i] = static_cast<char>(adjustment >> (24 - 8 * i));
  }
  return font;
}
