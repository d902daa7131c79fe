#include "input/text_cleaning.h"

#include "document/utf8.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr size_t kLongestSequence = 4;

// Spaces and controls of every kind: none belongs inside a word.
bool IsBreak(char32_t code) {
  return code <= 0x20 || (code >= 0x7F && code <= 0xA0) || code == 0x1680 || (code >= 0x2000 && code <= 0x200B) ||
         code == 0x2028 || code == 0x2029 || code == 0x202F || code == 0x205F || code == 0x3000 || code == 0xFEFF;
}

bool IsContinuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

}  // namespace

std::string RepairUtf8(const std::string& text) {
  if (IsUtf8(text)) return text;
  std::string repaired;
  for (size_t at = 0; at < text.size();) {
    size_t length = 1;
    while (length <= kLongestSequence && !IsUtf8(text.substr(at, length))) ++length;
    if (length <= kLongestSequence) {
      repaired.append(text, at, length);
      at += length;
    } else {
      AppendUtf8(repaired, kReplacement);
      ++at;
    }
  }
  return repaired;
}

std::string CutUtf8(const std::string& text, size_t longest) {
  if (text.size() <= longest) return text;
  size_t end = longest;
  while (end > 0 && IsContinuation(text[end])) --end;
  return text.substr(0, end);
}

std::vector<WordPiece> WordPieces(const std::string& word, size_t& codePoints) {
  std::vector<WordPiece> pieces;
  bool inPiece = false;
  codePoints = 0;
  for (size_t at = 0; at < word.size(); ++codePoints) {
    const size_t start = at;
    if (IsBreak(NextCodePoint(word, at))) {
      inPiece = false;
      continue;
    }
    if (!inPiece) pieces.push_back(WordPiece{std::string(), codePoints, codePoints});
    inPiece = true;
    pieces.back().text.append(word, start, at - start);
    pieces.back().end = codePoints + 1;
  }
  return pieces;
}

std::string CleanTitle(const std::string& text, size_t longest) {
  size_t codePoints = 0;
  std::string title;
  for (const WordPiece& piece : WordPieces(RepairUtf8(text), codePoints)) {
    title += (title.empty() ? "" : " ") + piece.text;
    if (title.size() > longest) break;
  }
  return CutUtf8(title, longest);
}
