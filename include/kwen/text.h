// A document's text: the words of each page with their boxes, in reading
// order, and the document's title and outline. It is stored after the last
// page, where readers that know nothing of it never look, so a document
// with text shows exactly as the same document without.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kwen {

// A rectangle of page pixels, rows from the top: [left, right) x [top, bottom).
struct Box {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  bool operator==(const Box& other) const {
    return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
  }
};

struct Word {
  std::string text;  // UTF-8, without spaces
  Box box;

  bool operator==(const Word& other) const { return text == other.text && box == other.box; }
};

struct TextLine {
  std::vector<Word> words;  // in reading order
  bool startsBlock = false;  // the first line of a paragraph or column block

  bool operator==(const TextLine& other) const { return words == other.words && startsBlock == other.startsBlock; }
};

// A page's lines in reading order.
struct PageText {
  std::vector<TextLine> lines;

  bool operator==(const PageText& other) const { return lines == other.lines; }
  bool Empty() const { return lines.empty(); }
  bool HasWords() const;
};

// The smallest box holding both.
Box Union(const Box& a, const Box& b);
// The box of a line's words (an empty box at 0 for a line without).
Box LineBox(const TextLine& line);

// One entry of the outline, in document order; an entry's children follow
// it with a level one deeper.
struct OutlineItem {
  std::string title;
  int32_t page = 0;   // from 0
  int32_t level = 0;  // 0 for the top entries

  bool operator==(const OutlineItem& other) const {
    return title == other.title && page == other.page && level == other.level;
  }
};

struct DocumentText {
  std::string title;
  std::vector<OutlineItem> outline;
  std::vector<PageText> pages;  // from page 0; pages past its end have no text

  bool operator==(const DocumentText& other) const {
    return title == other.title && outline == other.outline && pages == other.pages;
  }
  // Whether any page has a word.
  bool HasWords() const;
  // Nothing to store: no title, no outline, no words.
  bool Empty() const { return title.empty() && outline.empty() && !HasWords(); }
};

// The bytes stored after a document's last page for `text` (none when it is
// Empty). Throws Error for text that cannot be stored: an outline entry or
// a page past `pageCount`, a box that is not a rectangle of non-negative
// coordinates, text that is not UTF-8 or a word with spaces or none.
std::vector<uint8_t> EncodeText(const DocumentText& text, int32_t pageCount);
// Reads those bytes back, for a document of `pageCount` pages; no bytes is
// no text. Throws Error, saying what is wrong, for bytes that are not a
// well-formed text layer.
DocumentText DecodeText(const uint8_t* bytes, size_t size, int32_t pageCount);

// Stored text is bounded (document_layout.h): at most 100,000 words a page
// and 4,000,000 in all, 10,000 outline entries, 16 outline levels. Lines
// without words are not stored.

// A page's text as plain lines in reading order, a blank line between blocks.
std::string PlainText(const PageText& page);

// A place where a search matched: on one page, over one or more words (a
// box for each, narrowed to the matched letters in the first and last).
struct TextHit {
  int32_t page = 0;
  int32_t line = 0;  // the first word matched
  int32_t word = 0;
  std::vector<Box> boxes;
};

// Every place `query` occurs, page by page in reading order. Letters match
// whatever their case; runs of spaces match any break between words or
// lines; a word broken by a hyphen at a line's end matches whole. An empty
// query finds nothing.
std::vector<TextHit> FindText(const DocumentText& text, const std::string& query);

// The same searches, each page made ready once, for a reader that searches
// as its user types: a copy of the text is kept, and any number of threads
// may search it at once.
class TextSearch {
 public:
  explicit TextSearch(const DocumentText& text);
  // At most `most` hits, the first in reading order.
  std::vector<TextHit> Find(const std::string& query, size_t most = SIZE_MAX) const;

  struct Pages;

 private:
  std::shared_ptr<const Pages> pages_;
};

}  // namespace kwen
