#include "render/text_formats.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr char kFormFeed = '\f';
// What stands for a character XML cannot hold: U+FFFD.
constexpr const char* kReplacement = "\xEF\xBF\xBD";

const kwen::PageText& TextOf(const kwen::DocumentText& text, int32_t index) {
  static const kwen::PageText kNoText;
  return index >= 0 && static_cast<size_t>(index) < text.pages.size() ? text.pages[static_cast<size_t>(index)]
                                                                        : kNoText;
}

std::string BoxText(const kwen::Box& box, const char* separator) {
  return std::to_string(box.left) + separator + std::to_string(box.top) + separator + std::to_string(box.right) +
         separator + std::to_string(box.bottom);
}

// --- plain

std::string PlainFormat(const kwen::DocumentText& text, const std::vector<TextPage>& pages) {
  std::string out;
  for (size_t k = 0; k < pages.size(); ++k) {
    if (k > 0) out += kFormFeed;
    out += kwen::PlainText(TextOf(text, pages[k].index));
  }
  return out;
}

// --- hOCR

// UTF-8 text as XML character data or attribute value: the markup
// characters as entities, the characters XML has no place for (controls,
// U+FFFE and U+FFFF) replaced.
std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (size_t at = 0; at < text.size(); ++at) {
    const unsigned char c = static_cast<unsigned char>(text[at]);
    const bool nonCharacter = c == 0xEF && at + 2 < text.size() && text[at + 1] == '\xBF' &&
                              (text[at + 2] == '\xBE' || text[at + 2] == '\xBF');
    if (nonCharacter) {
      out += kReplacement;
      at += 2;
    } else if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (c == '"') {
      out += "&quot;";
    } else if (c < ' ' && c != '\t' && c != '\n' && c != '\r') {
      out += kReplacement;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// Ids unique in the document: the page's number, then the item's.
std::string Id(const char* kind, int32_t page, int32_t item) {
  return std::string(kind) + "_" + std::to_string(page) + "_" + std::to_string(item);
}

struct HocrCounts {
  int32_t blocks = 0;
  int32_t lines = 0;
  int32_t words = 0;
};

void HocrLine(const kwen::TextLine& line, int32_t page, HocrCounts& counts, std::string& out) {
  out += "    <span class=\"ocr_line\" id=\"" + Id("line", page, ++counts.lines) + "\" title=\"bbox " +
         BoxText(kwen::LineBox(line), " ") + "\">";
  for (const kwen::Word& word : line.words) {
    out += "<span class=\"ocrx_word\" id=\"" + Id("word", page, ++counts.words) + "\" title=\"bbox " +
           BoxText(word.box, " ") + "\">" + XmlEscaped(word.text) + "</span> ";
  }
  out += "</span>\n";
}

// The lines of a block: `first` and those after it up to the next block.
size_t HocrBlock(const kwen::PageText& text, size_t first, int32_t page, HocrCounts& counts, std::string& out) {
  size_t end = first + 1;
  while (end < text.lines.size() && !text.lines[end].startsBlock) ++end;
  kwen::Box box = kwen::LineBox(text.lines[first]);
  for (size_t k = first; k < end; ++k) box = kwen::Union(box, kwen::LineBox(text.lines[k]));
  out += "   <p class=\"ocr_par\" id=\"" + Id("par", page, ++counts.blocks) + "\" title=\"bbox " + BoxText(box, " ") +
         "\">\n";
  for (size_t k = first; k < end; ++k) HocrLine(text.lines[k], page, counts, out);
  out += "   </p>\n";
  return end;
}

void HocrPage(const kwen::DocumentText& text, const TextPage& page, std::string& out) {
  const int32_t number = page.index + 1;
  out += "  <div class=\"ocr_page\" id=\"page_" + std::to_string(number) + "\" title=\"bbox 0 0 " +
         std::to_string(page.width) + " " + std::to_string(page.height) + "; ppageno " + std::to_string(page.index) +
         "\">\n";
  // Lines without words have no box: they are left out, passing the start
  // of their block on.
  kwen::PageText worded;
  bool blockStarts = false;
  for (const kwen::TextLine& line : TextOf(text, page.index).lines) {
    blockStarts = blockStarts || line.startsBlock;
    if (line.words.empty()) continue;
    worded.lines.push_back(line);
    worded.lines.back().startsBlock = blockStarts;
    blockStarts = false;
  }
  HocrCounts counts;
  for (size_t k = 0; k < worded.lines.size();) k = HocrBlock(worded, k, number, counts, out);
  out += "  </div>\n";
}

std::string HocrFormat(const kwen::DocumentText& text, const std::vector<TextPage>& pages) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\"\n"
      "    \"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\n"
      "<html xmlns=\"http://www.w3.org/1999/xhtml\">\n"
      " <head>\n"
      "  <title>" +
      XmlEscaped(text.title) +
      "</title>\n"
      "  <meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />\n"
      "  <meta name=\"ocr-system\" content=\"kwen\" />\n"
      "  <meta name=\"ocr-capabilities\" content=\"ocr_page ocr_par ocr_line ocrx_word\" />\n"
      " </head>\n"
      " <body>\n";
  for (const TextPage& page : pages) HocrPage(text, page, out);
  out += " </body>\n</html>\n";
  return out;
}

// --- JSON

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte < ' ') {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string JsonOutline(const std::vector<kwen::OutlineItem>& outline) {
  std::string out = "[";
  for (size_t k = 0; k < outline.size(); ++k) {
    const kwen::OutlineItem& item = outline[k];
    out += (k > 0 ? ",\n  " : "\n  ") + std::string("{\"title\":") + JsonString(item.title) +
           ",\"page\":" + std::to_string(item.page + 1) + ",\"level\":" + std::to_string(item.level) + "}";
  }
  return out + "]";
}

std::string JsonLine(const kwen::TextLine& line) {
  std::string out = std::string("{\"block\":") + (line.startsBlock ? "true" : "false") + ",\"words\":[";
  for (size_t k = 0; k < line.words.size(); ++k) {
    if (k > 0) out += ',';
    out += "{\"text\":" + JsonString(line.words[k].text) + ",\"box\":[" + BoxText(line.words[k].box, ",") + "]}";
  }
  return out + "]}";
}

std::string JsonPage(const kwen::DocumentText& text, const TextPage& page) {
  std::string out = "{\"page\":" + std::to_string(page.index + 1) + ",\"width\":" + std::to_string(page.width) +
                    ",\"height\":" + std::to_string(page.height) + ",\"lines\":[";
  const kwen::PageText& lines = TextOf(text, page.index);
  for (size_t k = 0; k < lines.lines.size(); ++k) out += (k > 0 ? ",\n   " : "\n   ") + JsonLine(lines.lines[k]);
  return out + "]}";
}

std::string JsonFormat(const kwen::DocumentText& text, const std::vector<TextPage>& pages) {
  std::string out = "{\"title\":" + JsonString(text.title) + ",\n \"outline\":" + JsonOutline(text.outline) +
                    ",\n \"pages\":[";
  for (size_t k = 0; k < pages.size(); ++k) out += (k > 0 ? ",\n  " : "\n  ") + JsonPage(text, pages[k]);
  return out + "]}\n";
}

}  // namespace

bool TextFormatOfName(const std::string& name, TextFormat& format) {
  if (name == "plain") format = TextFormat::kPlain;
  else if (name == "hocr") format = TextFormat::kHocr;
  else if (name == "json") format = TextFormat::kJson;
  else return false;
  return true;
}

std::string FormatText(TextFormat format, const kwen::DocumentText& text, const std::vector<TextPage>& pages) {
  switch (format) {
    case TextFormat::kPlain: return PlainFormat(text, pages);
    case TextFormat::kHocr: return HocrFormat(text, pages);
    case TextFormat::kJson: return JsonFormat(text, pages);
  }
  return "";
}

int64_t WordCount(const kwen::PageText& page) {
  int64_t words = 0;
  for (const kwen::TextLine& line : page.lines) words += static_cast<int64_t>(line.words.size());
  return words;
}

int64_t WordCount(const kwen::DocumentText& text) {
  int64_t words = 0;
  for (const kwen::PageText& page : text.pages) words += WordCount(page);
  return words;
}
