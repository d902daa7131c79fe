#include "render/pdf_text_codes.h"

#include <algorithm>

#include "document/utf8.h"
#include "render/pdf_values.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kLargestBasic = 0xFFFF;
constexpr uint16_t kFirstSurrogate = 0xD800;
constexpr uint16_t kLastSurrogate = 0xDFFF;
constexpr uint16_t kLowSurrogate = 0xDC00;
constexpr char32_t kFirstBeyondBasic = 0x10000;
constexpr size_t kCodesBeyondBasic = kLastSurrogate - kFirstSurrogate + 1;
constexpr int kEntriesPerBlock = 100;  // the most a CMap block may hold

std::string HexCode(uint16_t code) {
  std::string out = "<";
  PutHexCode(out, code);
  return out + ">";
}

// `character`, beyond the basic plane, as its UTF-16 pair.
std::string SurrogatePair(char32_t character) {
  const char32_t offset = character - kFirstBeyondBasic;
  std::string out = "<";
  PutHexCode(out, static_cast<uint16_t>(kFirstSurrogate + (offset >> 10)));
  PutHexCode(out, static_cast<uint16_t>(kLowSurrogate + (offset & 0x3FF)));
  return out + ">";
}

// Entries of one kind, in blocks of at most kEntriesPerBlock.
void PutBlocks(std::string& out, const std::vector<std::string>& entries, const std::string& kind) {
  for (size_t first = 0; first < entries.size(); first += kEntriesPerBlock) {
    const size_t last = std::min(entries.size(), first + kEntriesPerBlock);
    out += std::to_string(last - first) + " begin" + kind + "\n";
    for (size_t i = first; i < last; ++i) out += entries[i];
    out += "end" + kind + "\n";
  }
}

}  // namespace

void PdfTextCodes::Add(const kwen::PageText& text) {
  for (const kwen::TextLine& line : text.lines) {
    for (const kwen::Word& word : line.words) {
      for (size_t at = 0; at < word.text.size();) {
        const char32_t character = NextCodePoint(word.text, at);
        if (character <= kLargestBasic || beyondBasic_.size() == kCodesBeyondBasic) continue;
        beyondBasic_.emplace(character, static_cast<uint16_t>(kFirstSurrogate + beyondBasic_.size()));
      }
    }
  }
}

std::vector<uint16_t> PdfTextCodes::Of(const std::string& utf8) const {
  std::vector<uint16_t> codes;
  for (size_t at = 0; at < utf8.size();) {
    const char32_t character = NextCodePoint(utf8, at);
    if (character <= kLargestBasic) {
      codes.push_back(static_cast<uint16_t>(character));
      continue;
    }
    const auto found = beyondBasic_.find(character);
    codes.push_back(found == beyondBasic_.end() ? static_cast<uint16_t>(kReplacement) : found->second);
  }
  return codes;
}

std::string PdfTextCodes::ToUnicodeCMap() const {
  // The basic plane maps to itself a block of 256 at a time, past the
  // surrogate codes (which UTF-8 never holds), which map only where a
  // character was given one.
  std::vector<std::string> ranges;
  for (uint32_t high = 0; high <= 0xFF; ++high) {
    const uint16_t start = static_cast<uint16_t>(high << 8);
    if (start >= kFirstSurrogate && start <= kLastSurrogate) continue;
    ranges.push_back(HexCode(start) + " " + HexCode(static_cast<uint16_t>(start | 0xFF)) + " " + HexCode(start) + "\n");
  }
  std::vector<std::pair<uint16_t, char32_t>> byCode;
  for (const auto& [character, code] : beyondBasic_) byCode.emplace_back(code, character);
  std::sort(byCode.begin(), byCode.end());
  std::vector<std::string> characters;
  for (const auto& [code, character] : byCode) characters.push_back(HexCode(code) + " " + SurrogatePair(character) + "\n");
  std::string out =
      "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
  PutBlocks(out, ranges, "bfrange");
  PutBlocks(out, characters, "bfchar");
  return out + "endcmap\nCMapName currentdict /CMapResource defineresource pop\nend\nend\n";
}
