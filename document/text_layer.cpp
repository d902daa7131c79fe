// The document's text as stored after its last page (document_layout.h):
// written by the builder and the tools, read by every reader.
#include <algorithm>
#include <cstring>
#include <string>

#include "document/document_layout.h"
#include "document/utf8.h"
#include "kwen/error.h"
#include "kwen/text.h"

namespace kwen {

namespace {

using Bytes = std::vector<uint8_t>;

void PutNumber(Bytes& out, uint32_t value) {
  uint8_t bytes[kLongestNumber];
  const int count = EncodeUnsignedNumber(value, bytes);
  out.insert(out.end(), bytes, bytes + count);
}

void PutSigned(Bytes& out, int64_t value) { PutNumber(out, NumberFromSigned(static_cast<int32_t>(value))); }

void PutText(Bytes& out, const std::string& text) {
  PutNumber(out, static_cast<uint32_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
}

void PutTag(Bytes& out, const char* tag) {
  for (size_t k = 0; k < kLabelBytes; ++k) out.push_back(static_cast<uint8_t>(tag[k]));
}

void PutSection(Bytes& out, const char* tag, const Bytes& body) {
  if (body.empty()) return;
  PutTag(out, tag);
  PutNumber(out, static_cast<uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
}

void CheckStorable(const std::string& text, const char* what) {
  if (text.size() > static_cast<size_t>(kLargestTextBytes)) throw Error(std::string(what) + " is too long to store");
  if (!IsUtf8(text)) throw Error(std::string(what) + " is not UTF-8 text: " + text);
}

Bytes OutlineBody(const std::vector<OutlineItem>& outline, int32_t pageCount) {
  Bytes body;
  if (outline.empty()) return body;
  if (outline.size() > kLargestOutline) throw Error("The outline has more entries than a document may hold");
  PutNumber(body, static_cast<uint32_t>(outline.size()));
  int32_t previousLevel = -1;
  for (const OutlineItem& item : outline) {
    if (item.page < 0 || item.page >= pageCount) throw Error("An outline entry points past the document's pages");
    if (item.level < 0 || item.level > previousLevel + 1) throw Error("An outline entry is nested below no entry");
    if (item.level > kDeepestOutlineLevel) throw Error("The outline is nested deeper than a document may hold");
    CheckStorable(item.title, "An outline entry's title");
    PutNumber(body, static_cast<uint32_t>(item.level));
    PutNumber(body, static_cast<uint32_t>(item.page));
    PutText(body, item.title);
    previousLevel = item.level;
  }
  return body;
}

bool IsStorableBox(const Box& box) {
  return box.left >= 0 && box.top >= 0 && box.left <= box.right && box.top <= box.bottom &&
         box.right < kLargestTextCoordinate && box.bottom < kLargestTextCoordinate;
}

bool IsStorableWord(const std::string& text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) <= ' ') return false;
  }
  return true;
}

size_t WordCount(const PageText& page) {
  size_t words = 0;
  for (const TextLine& line : page.lines) words += line.words.size();
  return words;
}

// Lines without words are not stored; a block they start starts at the next.
std::vector<const TextLine*> LinesWithWords(const PageText& page, std::vector<bool>& startsBlock) {
  std::vector<const TextLine*> lines;
  bool pendingBlock = false;
  for (const TextLine& line : page.lines) {
    pendingBlock = pendingBlock || line.startsBlock;
    if (line.words.empty()) continue;
    lines.push_back(&line);
    startsBlock.push_back(pendingBlock);
    pendingBlock = false;
  }
  return lines;
}

// A word's width as the page's words so far foretell it from its letters,
// so that what is stored is the small difference.
struct WidthGuess {
  int64_t widths = 0;
  int64_t letters = 0;

  // In whole numbers, in two parts that cannot overflow, so that every
  // reader foretells exactly what the writer did.
  int64_t For(int64_t wordLetters, int64_t height) const {
    const int64_t guess = letters > 0 ? wordLetters * (widths / letters) + wordLetters * (widths % letters) / letters
                                      : wordLetters * (height / 2);
    return std::min(guess, kLargestTextCoordinate);
  }
  void Learn(int64_t wordLetters, int64_t width) {
    letters += wordLetters;
    widths += width;
  }
};

int64_t LetterCount(const std::string& text) {
  int64_t letters = 0;
  for (size_t at = 0; at < text.size(); ++letters) NextCodePoint(text, at);
  return letters;
}

void CheckWord(const Word& word) {
  if (!IsStorableBox(word.box)) throw Error("A word's box is not a rectangle on the page: " + word.text);
  if (!IsStorableWord(word.text)) throw Error("A word is empty or holds a space: \"" + word.text + "\"");
  CheckStorable(word.text, "A word");
}

// The page's words, one space apart, ahead of their boxes: text runs
// together where the packing finds it again.
void PutWords(Bytes& body, const std::vector<const TextLine*>& lines) {
  std::string words;
  for (const TextLine* line : lines) {
    for (const Word& word : line->words) {
      CheckWord(word);
      if (!words.empty()) words += ' ';
      words += word.text;
    }
  }
  PutText(body, words);
}

void PutBoxes(Bytes& body, const std::vector<const TextLine*>& lines) {
  int64_t lineLeft = 0, lineTop = 0, height = 0;
  WidthGuess guess;
  for (const TextLine* line : lines) {
    const Box& first = line->words.front().box;
    PutSigned(body, first.left - lineLeft);
    PutSigned(body, first.top - lineTop);
    lineLeft = first.left;
    lineTop = first.top;
    int64_t right = first.left;
    for (const Word& word : line->words) {
      if (&word != &line->words.front()) {
        PutSigned(body, word.box.left - right);
        PutSigned(body, word.box.top - lineTop);
      }
      const int64_t wordHeight = word.box.bottom - word.box.top, width = word.box.right - word.box.left;
      const int64_t letters = LetterCount(word.text);
      PutSigned(body, wordHeight - height);
      PutSigned(body, width - guess.For(letters, wordHeight));
      guess.Learn(letters, width);
      height = wordHeight;
      right = word.box.right;
    }
  }
}

void PutLines(Bytes& body, const std::vector<const TextLine*>& lines, const std::vector<bool>& startsBlock) {
  PutNumber(body, static_cast<uint32_t>(lines.size()));
  for (size_t k = 0; k < lines.size(); ++k) {
    PutNumber(body, static_cast<uint32_t>(lines[k]->words.size() * 2 + (startsBlock[k] ? 1 : 0)));
  }
}

Bytes PagesBody(const std::vector<PageText>& pages, int32_t pageCount) {
  size_t withText = pages.size();
  while (withText > 0 && !pages[withText - 1].HasWords()) --withText;
  Bytes body;
  if (withText == 0) return body;
  if (withText > static_cast<size_t>(pageCount)) throw Error("There is text for pages the document does not have");
  size_t documentWords = 0;
  for (size_t page = 0; page < withText; ++page) documentWords += WordCount(pages[page]);
  if (documentWords > kLargestDocumentWords) throw Error("The document has more words than it may hold");
  PutNumber(body, static_cast<uint32_t>(withText));
  // All the pages' lines, then all their words, then all their boxes: like
  // runs together, where the packing codes them best.
  std::vector<std::vector<const TextLine*>> lines(withText);
  for (size_t page = 0; page < withText; ++page) {
    if (WordCount(pages[page]) > kLargestPageWords) throw Error("A page has more words than a document may hold");
    std::vector<bool> startsBlock;
    lines[page] = LinesWithWords(pages[page], startsBlock);
    PutLines(body, lines[page], startsBlock);
  }
  for (const auto& pageLines : lines) PutWords(body, pageLines);
  for (const auto& pageLines : lines) PutBoxes(body, pageLines);
  return body;
}

// Reads the stored bytes front to back; every read is checked against the end.
class TextReader {
 public:
  TextReader(const uint8_t* bytes, size_t size) : at_(bytes), end_(bytes + size) {}

  bool AtEnd() const { return at_ == end_; }
  size_t Left() const { return static_cast<size_t>(end_ - at_); }

  uint32_t Number() {
    uint32_t value = 0;
    bool ranOut = false;
    const int used = DecodeUnsignedNumber(
        [&]() -> uint8_t {
          if (at_ == end_) {
            ranOut = true;
            return 0;
          }
          return *at_++;
        },
        &value);
    if (ranOut) Fail("it ends in the middle of a number");
    if (used == 0) Fail("a number runs over five bytes");
    return value;
  }

  int64_t Signed() { return SignedFromNumber(Number()); }

  // A count of things that each take at least `leastBytes` of what is left.
  uint32_t Count(size_t leastBytes, const char* what) {
    const uint32_t count = Number();
    if (static_cast<uint64_t>(count) * leastBytes > Left()) Fail(std::string("it counts more ") + what + " than it holds");
    return count;
  }

  const uint8_t* Take(size_t count) {
    if (count > Left()) Fail("it ends before the bytes it announces");
    const uint8_t* taken = at_;
    at_ += count;
    return taken;
  }

  std::string Text(const char* what) {
    const uint32_t size = Number();
    const uint8_t* bytes = Take(size);
    std::string text(reinterpret_cast<const char*>(bytes), size);
    if (!IsUtf8(text)) Fail(std::string(what) + " is not UTF-8 text");
    return text;
  }

  [[noreturn]] static void Fail(const std::string& why) {
    throw Error("The document's text is damaged: " + why);
  }

 private:
  const uint8_t* at_;
  const uint8_t* end_;
};

// The least bytes a word can take: a letter, a space, two numbers.
constexpr size_t kLeastWordBytes = 4;
// A line's count and place, and a word.
constexpr size_t kLeastLineBytes = 3 + kLeastWordBytes;
constexpr size_t kLeastPageBytes = 1;
constexpr size_t kLeastOutlineEntryBytes = 3;
constexpr size_t kLeastSectionBytes = kLabelBytes + 1;

std::vector<OutlineItem> ReadOutline(TextReader& reader, int32_t pageCount) {
  const uint32_t count = reader.Count(kLeastOutlineEntryBytes, "outline entries");
  if (count > kLargestOutline) TextReader::Fail("its outline has more entries than a document may hold");
  std::vector<OutlineItem> outline(count);
  int64_t previousLevel = -1;
  for (OutlineItem& item : outline) {
    const uint32_t level = reader.Number();
    const uint32_t page = reader.Number();
    if (level > previousLevel + 1) TextReader::Fail("an outline entry is nested below no entry");
    if (level > static_cast<uint32_t>(kDeepestOutlineLevel)) TextReader::Fail("its outline is nested too deep");
    if (page >= static_cast<uint32_t>(pageCount)) TextReader::Fail("an outline entry points past the last page");
    item.level = static_cast<int32_t>(level);
    item.page = static_cast<int32_t>(page);
    item.title = reader.Text("an outline entry's title");
    previousLevel = level;
  }
  return outline;
}

// The page's words, one space apart; as many as its lines count.
void ReadWords(TextReader& reader, PageText& page) {
  const std::string words = reader.Text("a page's words");
  size_t at = 0;
  for (TextLine& line : page.lines) {
    for (Word& word : line.words) {
      if (at > words.size()) TextReader::Fail("a page holds fewer words than its lines count");
      const size_t end = std::min(words.find(' ', at), words.size());
      word.text = words.substr(at, end - at);
      if (!IsStorableWord(word.text)) TextReader::Fail("a word is empty or holds a space");
      at = end + 1;
    }
  }
  const size_t end = page.lines.empty() ? 0 : words.size() + 1;  // past the last word's end
  if (at != end) TextReader::Fail("a page holds more words than its lines count");
}

int64_t Coordinate(int64_t value) {
  if (value < 0 || value >= kLargestTextCoordinate) TextReader::Fail("a word's box lies off the page");
  return value;
}

void ReadBoxes(TextReader& reader, PageText& page) {
  int64_t lineLeft = 0, lineTop = 0, height = 0;
  WidthGuess guess;
  for (TextLine& line : page.lines) {
    lineLeft = Coordinate(lineLeft + reader.Signed());
    lineTop = Coordinate(lineTop + reader.Signed());
    int64_t right = lineLeft;
    for (Word& word : line.words) {
      const bool first = &word == &line.words.front();
      const int64_t left = first ? lineLeft : Coordinate(right + reader.Signed());
      const int64_t top = first ? lineTop : Coordinate(lineTop + reader.Signed());
      height = height + reader.Signed();
      const int64_t letters = LetterCount(word.text);
      const int64_t width = guess.For(letters, height) + reader.Signed();
      if (height < 0 || width < 0) TextReader::Fail("a word's box is turned over");
      guess.Learn(letters, width);
      right = Coordinate(left + width);
      word.box = Box{static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right),
                     static_cast<int32_t>(Coordinate(top + height))};
    }
  }
}

PageText ReadLines(TextReader& reader, size_t& documentWords) {
  PageText page;
  page.lines.resize(reader.Count(kLeastLineBytes, "lines"));
  size_t pageWords = 0;
  for (TextLine& line : page.lines) {
    const uint32_t wordsAndBlock = reader.Number();
    line.startsBlock = (wordsAndBlock & 1) != 0;
    const uint32_t words = wordsAndBlock >> 1;
    if (words == 0) TextReader::Fail("a line has no words");
    pageWords += words;
    documentWords += words;
    if (pageWords > kLargestPageWords) TextReader::Fail("a page has more words than a document may hold");
    if (documentWords > kLargestDocumentWords) TextReader::Fail("it has more words than a document may hold");
    if (static_cast<uint64_t>(documentWords) * kLeastWordBytes > reader.Left()) {
      TextReader::Fail("it counts more words than it holds");
    }
    line.words.resize(words);
  }
  return page;
}

std::vector<PageText> ReadPages(TextReader& reader, int32_t pageCount) {
  const uint32_t count = reader.Count(kLeastPageBytes, "pages");
  if (count > static_cast<uint32_t>(pageCount)) TextReader::Fail("it has text for pages past the last");
  std::vector<PageText> pages;
  pages.reserve(count);
  size_t documentWords = 0;
  for (uint32_t page = 0; page < count; ++page) pages.push_back(ReadLines(reader, documentWords));
  for (PageText& page : pages) ReadWords(reader, page);
  for (PageText& page : pages) ReadBoxes(reader, page);
  // One way to store each text: the pages counted end with one that has words.
  if (!pages.empty() && !pages.back().HasWords()) TextReader::Fail("the last page it counts has no words");
  return pages;
}

bool TagIs(const uint8_t* tag, const char* name) { return std::memcmp(tag, name, kLabelBytes) == 0; }

}  // namespace

bool PageText::HasWords() const {
  for (const TextLine& line : lines) {
    if (!line.words.empty()) return true;
  }
  return false;
}

bool DocumentText::HasWords() const {
  for (const PageText& page : pages) {
    if (page.HasWords()) return true;
  }
  return false;
}

Box Union(const Box& a, const Box& b) {
  return Box{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
             std::max(a.bottom, b.bottom)};
}

Box LineBox(const TextLine& line) {
  if (line.words.empty()) return Box{};
  Box box = line.words.front().box;
  for (const Word& word : line.words) box = Union(box, word.box);
  return box;
}

std::vector<uint8_t> EncodeText(const DocumentText& text, int32_t pageCount) {
  if (pageCount < 0) throw Error("A document cannot have fewer than no pages");
  Bytes title;
  if (!text.title.empty()) {
    CheckStorable(text.title, "The title");
    title.assign(text.title.begin(), text.title.end());
  }
  const Bytes outline = OutlineBody(text.outline, pageCount);
  const Bytes pages = PagesBody(text.pages, pageCount);
  Bytes out;
  if (title.empty() && outline.empty() && pages.empty()) return out;
  PutTag(out, kTextLabel);
  PutNumber(out, kTextLayout);
  PutNumber(out, static_cast<uint32_t>(!title.empty() + !outline.empty() + !pages.empty()));
  PutSection(out, kTitleTag, title);
  PutSection(out, kOutlineTag, outline);
  PutSection(out, kPageTextTag, pages);
  if (static_cast<int64_t>(out.size()) > kLargestTextBytes) throw Error("The document's text is too large to store");
  return out;
}

DocumentText DecodeText(const uint8_t* bytes, size_t size, int32_t pageCount) {
  DocumentText text;
  if (pageCount < 0) throw Error("A document cannot have fewer than no pages");
  if (size == 0) return text;
  TextReader reader(bytes, size);
  if (size < kLabelBytes || !TagIs(reader.Take(kLabelBytes), kTextLabel)) {
    TextReader::Fail("the bytes after the last page are not a text layer");
  }
  const uint32_t layout = reader.Number();
  if (layout != kTextLayout) {
    throw Error("The document's text is of layout " + std::to_string(layout) + ", which this program does not read");
  }
  const uint32_t sections = reader.Count(kLeastSectionBytes, "sections");
  bool seenTitle = false, seenOutline = false, seenPages = false;
  for (uint32_t k = 0; k < sections; ++k) {
    const uint8_t* tag = reader.Take(kLabelBytes);
    const uint32_t sectionBytes = reader.Number();
    TextReader section(reader.Take(sectionBytes), sectionBytes);
    bool* seen = TagIs(tag, kTitleTag) ? &seenTitle : TagIs(tag, kOutlineTag) ? &seenOutline
                                                   : TagIs(tag, kPageTextTag) ? &seenPages
                                                                              : nullptr;
    if (seen == nullptr) continue;  // a later layout's, which this reader does without
    if (*seen) TextReader::Fail("a section appears twice");
    *seen = true;
    if (seen == &seenTitle) {
      text.title.assign(reinterpret_cast<const char*>(section.Take(sectionBytes)), sectionBytes);
      if (!IsUtf8(text.title)) TextReader::Fail("the title is not UTF-8 text");
    } else if (seen == &seenOutline) {
      text.outline = ReadOutline(section, pageCount);
    } else {
      text.pages = ReadPages(section, pageCount);
    }
    if (!section.AtEnd()) TextReader::Fail("a section holds more than it should");
  }
  if (!reader.AtEnd()) TextReader::Fail("bytes follow its last section");
  return text;
}

std::string PlainText(const PageText& page) {
  std::string plain;
  for (size_t k = 0; k < page.lines.size(); ++k) {
    const TextLine& line = page.lines[k];
    if (line.startsBlock && k > 0) plain += '\n';
    for (size_t w = 0; w < line.words.size(); ++w) {
      if (w > 0) plain += ' ';
      plain += line.words[w].text;
    }
    plain += '\n';
  }
  return plain;
}

}  // namespace kwen
