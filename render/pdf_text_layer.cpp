#include "render/pdf_text_layer.h"

#include <algorithm>
#include <vector>

#include "render/glyphless_font.h"
#include "render/pdf_values.h"

namespace {

constexpr uint16_t kSpace = 0x20;

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

void ShowLine(std::string& out, const kwen::TextLine& line, const TextPlacement& placement,
              const PdfTextCodes& textCodes) {
  const double scale = placement.pointsPerPixel;
  for (size_t i = 0; i < line.words.size(); ++i) {
    const kwen::Word& word = line.words[i];
    const std::vector<uint16_t> codes = textCodes.Of(word.text);
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

std::string TextLayerOperators(const kwen::PageText& text, const TextPlacement& placement, const std::string& font,
                               const PdfTextCodes& codes) {
  if (!text.HasWords()) return {};
  std::string out = "BT\n3 Tr\n/" + font + " 1 Tf\n";
  for (const kwen::TextLine& line : text.lines) ShowLine(out, line, placement, codes);
  return out + "ET\n";
}
