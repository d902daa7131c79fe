// Finding words in a document's text: each page is laid out as one run of
// folded letters (case folded, ligatures spelled out, words one space
// apart, a hyphen at a line's end joining the word it breaks), and every
// letter of the run remembers the word and letter it came from.
#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "document/utf8.h"
#include "kwen/text.h"

namespace kwen {

namespace {

constexpr char32_t kSpace = U' ';
constexpr int32_t kNoWord = -1;

// Where a letter of the run came from.
struct Origin {
  int32_t line = kNoWord;  // kNoWord for the space between words
  int32_t word = 0;
  int32_t letter = 0;  // its place among the word's code points
};

struct FoldedPage {
  std::u32string letters;
  std::vector<Origin> origins;
};

bool IsLineEndHyphen(char32_t code) { return code == U'-' || code == U'\u00AD' || code == U'\u2010'; }

// The lower case of the alphabets text is commonly searched in.
char32_t Lower(char32_t code) {
  if (code >= U'A' && code <= U'Z') return code + 32;
  if (code < 0xC0) return code;
  if ((code >= 0xC0 && code <= 0xDE && code != 0xD7) || (code >= 0x391 && code <= 0x3AB && code != 0x3A2) ||
      (code >= 0x410 && code <= 0x42F)) {
    return code + 32;
  }
  if (code >= 0x400 && code <= 0x40F) return code + 80;
  const bool pairedEvenFirst = (code >= 0x100 && code <= 0x137) || (code >= 0x14A && code <= 0x177) ||
                               (code >= 0x460 && code <= 0x4BF) || (code >= 0x1E00 && code <= 0x1EFF);
  if (pairedEvenFirst) return code | 1;
  const bool pairedOddFirst = (code >= 0x139 && code <= 0x148) || (code >= 0x179 && code <= 0x17E);
  if (pairedOddFirst && (code & 1) != 0) return code + 1;
  if (code == 0x178) return 0xFF;
  return code;
}

// The letters a code point stands for when searching: ligatures spelled out.
std::u32string Folded(char32_t code) {
  switch (code) {
    case 0xFB00: return U"ff";
    case 0xFB01: return U"fi";
    case 0xFB02: return U"fl";
    case 0xFB03: return U"ffi";
    case 0xFB04: return U"ffl";
    case 0xFB05:
    case 0xFB06: return U"st";
    default: break;
  }
  return std::u32string(1, Lower(code));
}

std::u32string CodePoints(const std::string& text) {
  std::u32string codes;
  for (size_t at = 0; at < text.size();) codes += NextCodePoint(text, at);
  return codes;
}

// Whether the last word of line `k` is the first part of a hyphenated word
// whose rest starts the next line.
bool BreaksWord(const PageText& page, size_t k, const std::u32string& lastWord) {
  if (k + 1 >= page.lines.size() || page.lines[k + 1].words.empty()) return false;
  return lastWord.size() > 1 && IsLineEndHyphen(lastWord.back());
}

void AddWord(FoldedPage& folded, const std::u32string& codes, size_t keep, int32_t line, int32_t word) {
  for (size_t letter = 0; letter < keep; ++letter) {
    for (const char32_t code : Folded(codes[letter])) {
      folded.letters += code;
      folded.origins.push_back(Origin{line, word, static_cast<int32_t>(letter)});
    }
  }
}

FoldedPage FoldPage(const PageText& page) {
  FoldedPage folded;
  bool joinNext = false;
  for (size_t k = 0; k < page.lines.size(); ++k) {
    const TextLine& line = page.lines[k];
    for (size_t w = 0; w < line.words.size(); ++w) {
      if (!folded.letters.empty() && !joinNext) {
        folded.letters += kSpace;
        folded.origins.push_back(Origin{});
      }
      joinNext = false;
      const std::u32string codes = CodePoints(line.words[w].text);
      const bool last = w + 1 == line.words.size();
      const bool broken = last && BreaksWord(page, k, codes);
      AddWord(folded, codes, broken ? codes.size() - 1 : codes.size(), static_cast<int32_t>(k),
              static_cast<int32_t>(w));
      joinNext = broken;
    }
  }
  return folded;
}

// The query folded as the pages are, its spaces run together and trimmed.
std::u32string FoldQuery(const std::string& query) {
  std::u32string folded;
  if (!IsUtf8(query)) return folded;
  for (const char32_t code : CodePoints(query)) {
    if (code <= kSpace) {
      if (!folded.empty() && folded.back() != kSpace) folded += kSpace;
      continue;
    }
    folded += Folded(code);
  }
  while (!folded.empty() && folded.back() == kSpace) folded.pop_back();
  return folded;
}

// Part of a word's box: the letters [first, last] of its `letters`.
Box LettersBox(const Box& box, int32_t letters, int32_t first, int32_t last) {
  if (letters <= 0) return box;
  const int64_t width = box.right - box.left;
  Box part = box;
  part.left = box.left + static_cast<int32_t>(width * first / letters);
  part.right = box.left + static_cast<int32_t>(width * (last + 1) / letters);
  return part;
}

TextHit HitAt(const PageText& page, int32_t pageIndex, const FoldedPage& folded, size_t start, size_t length) {
  TextHit hit;
  hit.page = pageIndex;
  size_t at = start;
  while (at < start + length) {
    if (folded.origins[at].line == kNoWord) {
      ++at;
      continue;
    }
    const Origin first = folded.origins[at];
    Origin last = first;
    while (at < start + length && folded.origins[at].line == first.line && folded.origins[at].word == first.word) {
      last = folded.origins[at++];
    }
    const Word& word = page.lines[first.line].words[first.word];
    const int32_t letters = static_cast<int32_t>(CodePoints(word.text).size());
    if (hit.boxes.empty()) {
      hit.line = first.line;
      hit.word = first.word;
    }
    hit.boxes.push_back(LettersBox(word.box, letters, first.letter, last.letter));
  }
  return hit;
}

}  // namespace

struct TextSearch::Pages {
  std::vector<PageText> text;
  std::vector<FoldedPage> folded;
};

TextSearch::TextSearch(const DocumentText& text) {
  auto pages = std::make_shared<Pages>();
  pages->text = text.pages;
  pages->folded.reserve(text.pages.size());
  for (const PageText& page : text.pages) pages->folded.push_back(FoldPage(page));
  pages_ = std::move(pages);
}

std::vector<TextHit> TextSearch::Find(const std::string& query, size_t most) const {
  std::vector<TextHit> hits;
  const std::u32string wanted = FoldQuery(query);
  if (wanted.empty()) return hits;
  for (size_t pageIndex = 0; pageIndex < pages_->text.size(); ++pageIndex) {
    const FoldedPage& folded = pages_->folded[pageIndex];
    for (size_t at = folded.letters.find(wanted); at != std::u32string::npos && hits.size() < most;
         at = folded.letters.find(wanted, at + wanted.size())) {
      hits.push_back(HitAt(pages_->text[pageIndex], static_cast<int32_t>(pageIndex), folded, at, wanted.size()));
    }
  }
  return hits;
}

std::vector<TextHit> FindText(const DocumentText& text, const std::string& query) {
  return TextSearch(text).Find(query);
}

}  // namespace kwen
