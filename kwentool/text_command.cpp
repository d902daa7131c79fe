#include "kwentool/text_command.h"

#include <cstdio>
#include <vector>

#include "kwentool/open_document.h"

namespace {

constexpr int kTextFailed = 1;

bool ParseFormat(const std::string& name, TextFormat& format, std::string& error) {
  if (TextFormatOfName(name, format)) return true;
  error = "--format takes plain, hocr or json";
  return false;
}

// The title as one line of a terminal: no control characters.
std::string PrintableTitle(const std::string& title) {
  std::string shown = title;
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < ' ' || c == '\x7F') c = ' ';
  }
  return shown;
}

}  // namespace

bool ParseTextArguments(int argc, const char* const* argv, TextArguments& arguments, std::string& error) {
  std::vector<std::string> positional;
  for (int i = 0; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--format") {
      if (i + 1 == argc) {
        error = "--format needs a value";
        return false;
      }
      if (!ParseFormat(argv[++i], arguments.format, error)) return false;
    } else if (argument.size() > 1 && argument[0] == '-') {
      error = "unknown option '" + argument + "'";
      return false;
    } else {
      positional.push_back(argument);
    }
  }
  if (positional.empty() || positional.size() > 2) {
    error = "text takes DOC [PAGES] [--format plain|hocr|json]";
    return false;
  }
  arguments.document = positional[0];
  return ParsePageList(positional.size() == 2 ? positional[1] : "all", arguments.pages, error);
}

int PrintText(const TextArguments& arguments) {
  const char* path = arguments.document.c_str();
  const kwen::Document document = OpenToolDocument(path);
  std::vector<int32_t> numbers;
  std::string error;
  if (!ExpandPageList(arguments.pages, document.PageCount(), numbers, error)) {
    std::fprintf(stderr, "kwentool: %s %s\n", path, error.c_str());
    return kTextFailed;
  }
  kwen::DocumentText text;
  try {
    text = document.Text();
  } catch (const kwen::Error& failure) {
    std::fprintf(stderr, "kwentool: %s: %s\n", path, failure.what());
    return kTextFailed;
  }
  std::vector<TextPage> pages;
  for (int32_t number : numbers) {
    const kwen::PageInfo info = document.Page(number - 1);
    pages.push_back(TextPage{number - 1, info.width, info.height});
  }
  // A title or an outline alone is no text to print as lines.
  if (!text.HasWords()) {
    std::fprintf(stderr, "kwentool: %s has no text layer\n", path);
    if (arguments.format == TextFormat::kPlain) return 0;
  }
  const std::string out = FormatText(arguments.format, text, pages);
  if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
    std::fprintf(stderr, "kwentool: the text could not be written to standard output\n");
    return kTextFailed;
  }
  return 0;
}

std::string TextSummary(const kwen::DocumentText& text) {
  if (text.Empty()) return "text: none";
  int32_t pagesWithWords = 0;
  for (const kwen::PageText& page : text.pages) pagesWithWords += WordCount(page) > 0 ? 1 : 0;
  std::string summary = "text: " + std::to_string(WordCount(text)) + " words on " + std::to_string(pagesWithWords) +
                        (pagesWithWords == 1 ? " page" : " pages");
  if (!text.title.empty()) summary += ", title \"" + PrintableTitle(text.title) + "\"";
  return summary + ", " + std::to_string(text.outline.size()) + " outline entries";
}
