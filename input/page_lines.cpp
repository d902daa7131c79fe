#include "input/page_lines.h"

#include <algorithm>
#include <cmath>

#include "input/text_cleaning.h"

namespace {

constexpr int32_t kTurns = 4;
// A word beside the last overlaps its line by at least half the smaller
// height, and starts no more than that before the last one ends.
constexpr double kLeastOverlap = 0.5;
// Parts with no space between them join when this near (in heights).
constexpr double kJoiningGap = 0.25;
// A line starting further below the last one's top than this (in the
// last one's heights) starts a block, and so does one of letters this many
// times larger or smaller.
constexpr double kBlockPitch = 1.5;
constexpr double kHeadingRatio = 1.4;
// How far below the last line's top the next one starts at least, in the
// last line's heights, to read on down the same column.
constexpr double kNextLineDrop = 0.5;

struct Rect {
  double left, top, right, bottom;
};

// A rectangle as the text runs: `along` the line, then `across` it, the way
// the lines follow one another.
struct Frame {
  double along0, along1, across0, across1;
  double Height() const { return across1 - across0; }
};

Frame FrameOf(const kwen::Box& box, int32_t turns) {
  const double left = box.left, top = box.top, right = box.right, bottom = box.bottom;
  switch (turns) {
    case 1:  // running down, lines following leftwards
      return Frame{top, bottom, -right, -left};
    case 2:  // running left, upside down
      return Frame{-right, -left, -bottom, -top};
    case 3:  // running up, lines following rightwards
      return Frame{-bottom, -top, left, right};
    default:
      return Frame{left, right, top, bottom};
  }
}

// A piece of a word, on its way into a line.
struct Token {
  kwen::Word word;
  int32_t turns = 0;
  bool gapAfter = false;
};

// The smallest box holding both. (The library's kwen::Union is not linked
// into the page file module this is part of.)
kwen::Box Spanning(const kwen::Box& a, const kwen::Box& b) {
  return kwen::Box{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                   std::max(a.bottom, b.bottom)};
}

// Whole pixels over the rectangle, kept to [0, limit); none when it lies
// off the page.
bool PixelSpan(double low, double high, int32_t limit, int32_t& first, int32_t& end) {
  if (!(high > 0 && low < limit)) return false;
  first = static_cast<int32_t>(std::floor(std::max(low, 0.0)));
  end = std::max(first + 1, static_cast<int32_t>(std::ceil(std::min(high, static_cast<double>(limit)))));
  return true;
}

bool PixelBox(const Rect& rect, int32_t width, int32_t height, kwen::Box& box) {
  for (double edge : {rect.left, rect.top, rect.right, rect.bottom}) {
    if (!std::isfinite(edge)) return false;
  }
  return PixelSpan(std::min(rect.left, rect.right), std::max(rect.left, rect.right), width, box.left, box.right) &&
         PixelSpan(std::min(rect.top, rect.bottom), std::max(rect.top, rect.bottom), height, box.top, box.bottom);
}

// The part of `rect` that code points [first, end) of `count` take, shared
// out evenly the way the text runs.
Rect PieceRect(const Rect& rect, int32_t turns, size_t first, size_t end, size_t count) {
  const double from = static_cast<double>(first) / count, to = static_cast<double>(end) / count;
  const double width = rect.right - rect.left, height = rect.bottom - rect.top;
  switch (turns) {
    case 1:
      return Rect{rect.left, rect.top + height * from, rect.right, rect.top + height * to};
    case 2:
      return Rect{rect.right - width * to, rect.top, rect.right - width * from, rect.bottom};
    case 3:
      return Rect{rect.left, rect.bottom - height * to, rect.right, rect.bottom - height * from};
    default:
      return Rect{rect.left + width * from, rect.top, rect.left + width * to, rect.bottom};
  }
}

// The word's pieces between spaces and controls that lie on the page.
void AddTokens(const PlacedWord& placed, int32_t width, int32_t height, std::vector<Token>& tokens) {
  const int32_t turns = ((placed.turns % kTurns) + kTurns) % kTurns;
  const Rect rect{placed.left, placed.top, placed.right, placed.bottom};
  size_t codePoints = 0;
  const std::vector<WordPiece> pieces = WordPieces(RepairUtf8(placed.text), codePoints);
  if (!pieces.empty() && pieces.front().first > 0 && !tokens.empty()) tokens.back().gapAfter = true;
  for (const WordPiece& piece : pieces) {
    Token token;
    if (!PixelBox(PieceRect(rect, turns, piece.first, piece.end, codePoints), width, height, token.word.box)) continue;
    token.word.text = piece.text;
    token.turns = turns;
    token.gapAfter = piece.end < codePoints || placed.spaceAfter;
    tokens.push_back(std::move(token));
  }
}

// Whether `next` sits beside `last` along one line.
bool Beside(const Token& last, const Token& next) {
  if (last.turns != next.turns) return false;
  const Frame a = FrameOf(last.word.box, last.turns), b = FrameOf(next.word.box, next.turns);
  const double reach = kLeastOverlap * std::min(a.Height(), b.Height());
  const double overlap = std::min(a.across1, b.across1) - std::max(a.across0, b.across0);
  return overlap >= reach && b.along0 >= a.along1 - reach;
}

bool Joins(const Token& last, const Token& next) {
  if (last.gapAfter || !Beside(last, next)) return false;
  const Frame a = FrameOf(last.word.box, last.turns), b = FrameOf(next.word.box, next.turns);
  return b.along0 - a.along1 <= kJoiningGap * std::min(a.Height(), b.Height());
}

struct Line {
  kwen::TextLine text;
  kwen::Box box;
  int32_t turns = 0;
};

bool StartsBlock(const Line& last, const Line& next) {
  if (last.turns != next.turns) return true;
  const Frame a = FrameOf(last.box, last.turns), b = FrameOf(next.box, next.turns);
  const double drop = b.across0 - a.across0;
  const double sizes = std::max(a.Height(), b.Height()) / std::max(1.0, std::min(a.Height(), b.Height()));
  const bool alongside = b.along0 < a.along1 && a.along0 < b.along1;
  return drop < kNextLineDrop * a.Height() || drop > kBlockPitch * a.Height() || sizes > kHeadingRatio || !alongside;
}

std::vector<Line> GroupLines(const std::vector<Token>& tokens) {
  std::vector<Line> lines;
  const Token* last = nullptr;
  for (const Token& token : tokens) {
    if (last != nullptr && Joins(*last, token)) {
      kwen::Word& word = lines.back().text.words.back();
      word.text += token.word.text;
      word.box = Spanning(word.box, token.word.box);
    } else if (last != nullptr && Beside(*last, token)) {
      lines.back().text.words.push_back(token.word);
    } else {
      lines.push_back(Line{kwen::TextLine{{token.word}, false}, token.word.box, token.turns});
    }
    lines.back().box = Spanning(lines.back().box, token.word.box);
    last = &token;
  }
  return lines;
}

}  // namespace

kwen::PageText LayOutWords(const std::vector<PlacedWord>& words, int32_t width, int32_t height) {
  std::vector<Token> tokens;
  for (const PlacedWord& word : words) AddTokens(word, width, height, tokens);
  const std::vector<Line> lines = GroupLines(tokens);
  kwen::PageText page;
  for (size_t i = 0; i < lines.size(); ++i) {
    page.lines.push_back(lines[i].text);
    page.lines.back().startsBlock = i == 0 || StartsBlock(lines[i - 1], lines[i]);
  }
  return page;
}
