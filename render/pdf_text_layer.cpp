#include "render/pdf_text_layer.h"

#include <algorithm>

#include "render/glyphless_font.h"
#include "render/pdf_values.h"

namespace {

constexpr uint16_t kReplacement = 0xFFFD;
constexpr uint16_t kSpace = 0x20;
constexpr uint32_t kLargestBasic = 0xFFFF;
constexpr uint32_t kFirstSurrogate = 0xD800;
constexpr uint32_t kLastSurrogate = 0xDFFF;
constexpr int kRangesPerBlock = 100;  // the most a CMap block may hold

// The length of the UTF-8 sequence `lead` starts and its first bits; 0 for
// a byte that cannot start one.
int SequenceLength(uint8_t lead, uint32_t& value) {
  if (lead < 0x80) {
    value = lead;
    return 1;
  }
  if ((lead & 0xE0) == 0xC0) {
    value = lead & 0x1Fu;
    return 2;
  }
  if ((lead & 0xF0) == 0xE0) {
    value = lead & 0x0Fu;
    return 3;
  }
  if ((lead & 0xF8) == 0xF0) {
    value = lead & 0x07u;
    return 4;
  }
  return 0;
}

// The character at `at`, moving past it; U+FFFD for a sequence that is
// not well-formed or lies outside the basic plane.
uint16_t NextCode(const std::string& utf8, size_t& at) {
  static constexpr uint32_t kSmallestOfLength[] = {0, 0, 0x80, 0x800, 0x10000};
  uint32_t value = 0;
  const int length = SequenceLength(static_cast<uint8_t>(utf8[at]), value);
  ++at;
  if (length == 0) return kReplacement;
  for (int i = 1; i < length; ++i, ++at) {
    if (at >= utf8.size() || (static_cast<uint8_t>(utf8[at]) & 0xC0) != 0x80) return kReplacement;
    value = (value << 6) | (static_cast<uint8_t>(utf8[at]) & 0x3Fu);
  }
  if (value < kSmallestOfLength[length] || value > kLargestBasic ||
      (value >= kFirstSurrogate && value <= kLastSurrogate)) {
    return kReplacement;
  }
  return static_cast<uint16_t>(value);
}

void PutHexCode(std::string& out, uint16_t code) {
  static const char kDigits[] = "0123456789ABCDEF";
  for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(code >> shift) & 0xF];
}

// Codes `codes`, stretched across [left, right) of the row at the bottom
// of a box `height` high: the font's em is the box's height, its descent
// below the box's bottom edge matching the ascent above.
void ShowCodes(std::string& out, const std::vector<uint16_t>& codes, double left, double right, double bottom,
               double height) {
  const double advance = static_cast<double>(kGlyphlessAdvance) / kGlyphlessUnitsPerEm;
  const double descent = -static_cast<double>(kGlyphlessDescent) / kGlyphlessUnitsPerEm;
  const double widthScale = (right - left) / (advance * static_cast<double>(codes.size()));
  out += PdfNumber(widthScale) + " 0 0 " + PdfNumber(height) + " " + PdfNumber(left) + " " +
         PdfNumber(bottom + descent * height) + " Tm <";
  for (uint16_t code : codes) PutHexCode(out, code);
  out += "> Tj\n";
}

void ShowLine(std::string& out, const kwen::TextLine& line, const TextPlacement& placement) {
  const double scale = placement.pointsPerPixel;
  for (size_t i = 0; i < line.words.size(); ++i) {
    const kwen::Word& word = line.words[i];
    const std::vector<uint16_t> codes = TextCodes(word.text);
    if (codes.empty()) continue;
    // At least a pixel each way, so that no word is squeezed to nothing.
    const int32_t right = std::max(word.box.right, word.box.left + 1);
    const int32_t height = std::max(word.box.bottom - word.box.top, 1);
    const double bottom = static_cast<double>(placement.pageHeight - word.box.top - height) * scale;
    ShowCodes(out, codes, word.box.left * scale, right * scale, bottom, height * scale);
    // The space fills the gap to the next word, so that every reader breaks
    // the words there and selects the gap with them.
    if (i + 1 == line.words.size()) continue;
    const int32_t next = std::max(line.words[i + 1].box.left, right + 1);
    ShowCodes(out, {kSpace}, right * scale, next * scale, bottom, height * scale);
  }
}

}  // namespace

std::vector<uint16_t> TextCodes(const std::string& utf8) {
  std::vector<uint16_t> codes;
  size_t at = 0;
  while (at < utf8.size()) codes.push_back(NextCode(utf8, at));
  return codes;
}

std::string TextLayerOperators(const kwen::PageText& text, const TextPlacement& placement, const std::string& font) {
  const bool hasWords = std::any_of(text.lines.begin(), text.lines.end(),
                                    [](const kwen::TextLine& line) { return !line.words.empty(); });
  if (!hasWords) return {};
  std::string out = "BT\n3 Tr\n/" + font + " 1 Tf\n";
  for (const kwen::TextLine& line : text.lines) ShowLine(out, line, placement);
  return out + "ET\n";
}

std::string IdentityToUnicodeCMap() {
  std::vector<uint32_t> highBytes;
  for (uint32_t high = 0; high <= 0xFF; ++high) {
    if (high < (kFirstSurrogate >> 8) || high > (kLastSurrogate >> 8)) highBytes.push_back(high);
  }
  std::string out =
      "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
  for (size_t first = 0; first < highBytes.size(); first += kRangesPerBlock) {
    const size_t last = std::min(highBytes.size(), first + kRangesPerBlock);
    out += std::to_string(last - first) + " beginbfrange\n";
    for (size_t i = first; i < last; ++i) {
      const uint16_t start = static_cast<uint16_t>(highBytes[i] << 8);
      out += "<";
      PutHexCode(out, start);
      out += "> <";
      PutHexCode(out, static_cast<uint16_t>(start | 0xFF));
      out += "> <";
      PutHexCode(out, start);
      out += ">\n";
    }
    out += "endbfrange\n";
  }
  return out + "endcmap\nCMapName currentdict /CMapResource defineresource pop\nend\nend\n";
}
