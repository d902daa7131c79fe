// The document's text as stored after its last page (document_layout.h):
// written by the builder and the tools, read by every reader.
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
  PutNumber(body, static_cast<uint32_t>(outline.size()));
  int32_t previousLevel = -1;
  for (const OutlineItem& item : outline) {
    if (item.page < 0 || item.page >= pageCount) throw Error("An outline entry points past the document's pages");
    if (item.level < 0 || item.level > previousLevel + 1) throw Error("An outline entry is nested below no entry");
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

void PutPage(Bytes& body, const PageText& page) {
  PutNumber(body, static_cast<uint32_t>(page.lines.size()));
  int64_t previousRight = 0, previousTop = 0;
  for (const TextLine& line : page.lines) {
    PutNumber(body, static_cast<uint32_t>(line.words.size() * 2 + (line.startsBlock ? 1 : 0)));
    for (const Word& word : line.words) {
      if (!IsStorableBox(word.box)) throw Error("A word's box is not a rectangle on the page: " + word.text);
      if (!IsStorableWord(word.text)) throw Error("A word is empty or holds a space: \"" + word.text + "\"");
      CheckStorable(word.text, "A word");
      PutSigned(body, word.box.left - previousRight);
      PutSigned(body, word.box.top - previousTop);
      PutNumber(body, static_cast<uint32_t>(word.box.right - word.box.left));
      PutNumber(body, static_cast<uint32_t>(word.box.bottom - word.box.top));
      PutText(body, word.text);
      previousRight = word.box.right;
      previousTop = word.box.top;
    }
  }
}

Bytes PagesBody(const std::vector<PageText>& pages, int32_t pageCount) {
  size_t withText = pages.size();
  while (withText > 0 && pages[withText - 1].Empty()) --withText;
  Bytes body;
  if (withText == 0) return body;
  if (withText > static_cast<size_t>(pageCount)) throw Error("There is text for pages the document does not have");
  PutNumber(body, static_cast<uint32_t>(withText));
  for (size_t page = 0; page < withText; ++page) PutPage(body, pages[page]);
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

// The least bytes a word can take: four numbers, a byte count, a letter.
constexpr size_t kLeastWordBytes = 6;
constexpr size_t kLeastLineBytes = 1;
constexpr size_t kLeastOutlineEntryBytes = 3;
constexpr size_t kLeastSectionBytes = kLabelBytes + 1;

std::vector<OutlineItem> ReadOutline(TextReader& reader, int32_t pageCount) {
  const uint32_t count = reader.Count(kLeastOutlineEntryBytes, "outline entries");
  std::vector<OutlineItem> outline(count);
  int64_t previousLevel = -1;
  for (OutlineItem& item : outline) {
    const uint32_t level = reader.Number();
    const uint32_t page = reader.Number();
    if (level > previousLevel + 1) TextReader::Fail("an outline entry is nested below no entry");
    if (page >= static_cast<uint32_t>(pageCount)) TextReader::Fail("an outline entry points past the last page");
    item.level = static_cast<int32_t>(level);
    item.page = static_cast<int32_t>(page);
    item.title = reader.Text("an outline entry's title");
    previousLevel = level;
  }
  return outline;
}

Word ReadWord(TextReader& reader, int64_t& previousRight, int64_t& previousTop) {
  const int64_t left = previousRight + reader.Signed();
  const int64_t top = previousTop + reader.Signed();
  const int64_t right = left + reader.Number();
  const int64_t bottom = top + reader.Number();
  if (left < 0 || top < 0 || right >= kLargestTextCoordinate || bottom >= kLargestTextCoordinate) {
    TextReader::Fail("a word's box lies off the page");
  }
  Word word;
  word.box = Box{static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right),
                 static_cast<int32_t>(bottom)};
  word.text = reader.Text("a word");
  if (!IsStorableWord(word.text)) TextReader::Fail("a word is empty or holds a space");
  previousRight = right;
  previousTop = top;
  return word;
}

PageText ReadPage(TextReader& reader) {
  PageText page;
  page.lines.resize(reader.Count(kLeastLineBytes, "lines"));
  int64_t previousRight = 0, previousTop = 0;
  for (TextLine& line : page.lines) {
    const uint32_t wordsAndBlock = reader.Number();
    line.startsBlock = (wordsAndBlock & 1) != 0;
    const uint32_t words = wordsAndBlock >> 1;
    if (static_cast<uint64_t>(words) * kLeastWordBytes > reader.Left()) {
      TextReader::Fail("it counts more words than it holds");
    }
    line.words.reserve(words);
    for (uint32_t k = 0; k < words; ++k) line.words.push_back(ReadWord(reader, previousRight, previousTop));
  }
  return page;
}

std::vector<PageText> ReadPages(TextReader& reader, int32_t pageCount) {
  const uint32_t count = reader.Count(kLeastLineBytes, "pages");
  if (count > static_cast<uint32_t>(pageCount)) TextReader::Fail("it has text for pages past the last");
  std::vector<PageText> pages;
  pages.reserve(count);
  for (uint32_t page = 0; page < count; ++page) pages.push_back(ReadPage(reader));
  return pages;
}

bool TagIs(const uint8_t* tag, const char* name) { return std::memcmp(tag, name, kLabelBytes) == 0; }

}  // namespace

bool DocumentText::HasWords() const {
  for (const PageText& page : pages) {
    for (const TextLine& line : page.lines) {
      if (!line.words.empty()) return true;
    }
  }
  return false;
}

std::vector<uint8_t> EncodeText(const DocumentText& text, int32_t pageCount) {
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
