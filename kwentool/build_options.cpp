#include "kwentool/build_options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "document/document_kind.h"
#include "document/document_state.h"
#include "document/utf8.h"

namespace {

constexpr int32_t kLargestDotsPerInch = 100000;
constexpr int32_t kBestQuality = 100;
constexpr int32_t kLargestThreshold = 255;
constexpr char kSearchLetters[] = "TSGFQ";
constexpr char kSizeLetters[] = "HLM21CST";

constexpr int32_t kMostJobs = 256;

bool ParseMode(const std::string& name, PageMode& mode) {
  static const struct {
    const char* name;
    PageMode mode;
  } kModes[] = {{"auto", PageMode::kAuto},
                {"bitonal", PageMode::kBitonal},
                {"grey", PageMode::kGrey},
                {"gray", PageMode::kGrey},
                {"colour", PageMode::kColour},
                {"color", PageMode::kColour},
                {"lossless", PageMode::kLossless}};
  for (const auto& known : kModes) {
    if (name == known.name) {
      mode = known.mode;
      return true;
    }
  }
  return false;
}

bool ParseNumber(const char* text, int32_t lowest, int32_t highest, int32_t& value) {
  char* end = nullptr;
  errno = 0;
  long number = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || number < lowest || number > highest) return false;
  value = static_cast<int32_t>(number);
  return true;
}

// A switch letter as the utility takes it, with or without its slash.
bool ParseLetter(const char* text, const char* letters, char& letter) {
  if (text[0] == '/') ++text;
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  return letter != '\0' && text[1] == '\0' && std::strchr(letters, letter) != nullptr;
}

bool ParseOption(const std::string& name, const char* value, BuildOptions& options, std::string& error) {
  char letter;
  if (name == "-o" || name == "--output") {
    options.output = value;
  } else if (name == "--mode") {
    if (!ParseMode(value, options.mode)) error = "--mode takes auto, bitonal, grey, colour or lossless";
  } else if (name == "--jobs") {
    ParseJobs(value, options.jobs, error);
  } else if (name == "--lang") {
    ParseLanguage(value, options.language, error);
  } else if (name == "--title") {
    options.title = value;
    if (!IsUtf8(value)) error = "--title takes UTF-8 text";
  } else if (name == "--quality") {
    if (!ParseNumber(value, 1, kBestQuality, options.quality)) error = "--quality takes a number from 1 to 100";
  } else if (name == "--threshold") {
    if (!ParseNumber(value, 1, kLargestThreshold, options.threshold)) error = "--threshold takes a number from 1 to 255";
  } else if (name == "--dpi") {
    if (!ParseNumber(value, 1, kLargestDotsPerInch, options.dotsPerInch)) error = "--dpi takes a positive number";
  } else if (name == kDrawingSecondsOption) {
    if (!ParseNumber(value, 1, kLongestDrawingSeconds, options.pdfLimits.seconds)) {
      error = name + " takes seconds from 1 to " + std::to_string(kLongestDrawingSeconds);
    }
  } else if (name == kDrawingMemoryOption) {
    if (!ParseNumber(value, 1, kLargestDrawingMebibytes, options.pdfLimits.mebibytes)) {
      error = name + " takes MiB from 1 to " + std::to_string(kLargestDrawingMebibytes);
    }
  } else if (name == "--search") {
    if (!ParseLetter(value, kSearchLetters, letter)) error = "--search takes one of T, S, G, F, Q";
    else options.switches.searchExponent = SearchExponentFor(letter);
  } else if (name == "--size") {
    if (!ParseLetter(value, kSizeLetters, letter)) error = "--size takes one of H, L, M, 2, 1, C, S, T";
    else options.switches.windowExponent = WindowExponentFor(letter);
  } else if (name == "--pack") {
    const std::string choice = value;
    if (choice != "best" && choice != "default") error = "--pack takes best or default";
    options.packBest = choice == "best";
  } else {
    error = "unknown option '" + name + "'";
  }
  return error.empty();
}

bool TakesValue(const std::string& name) {
  return name == "-o" || name == "--output" || name == "--quality" || name == "--threshold" || name == "--dpi" ||
         name == "--search" || name == "--mode" || name == "--jobs" || name == "--size" || name == "--pack" ||
         name == kDrawingSecondsOption || name == kDrawingMemoryOption || name == "--lang" || name == "--title";
}

}  // namespace

bool ParseBuildOptions(int argc, const char* const* argv, BuildOptions& options, std::string& error) {
  error.clear();
  for (int i = 0; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--bitonal") {
      options.mode = PageMode::kBitonal;
    } else if (argument == "--verbose" || argument == "-v") {
      options.verbose = true;
    } else if (argument == "--clean" || argument == "--lossy") {
      (argument == "--clean" ? options.clean : options.lossy) = true;
    } else if (argument == "--ocr") {
      options.ocr = true;
    } else if (TakesValue(argument)) {
      if (i + 1 == argc) {
        error = argument + " needs a value";
        return false;
      }
      if (!ParseOption(argument, argv[++i], options, error)) return false;
    } else if (argument.size() > 1 && argument[0] == '-') {
      error = "unknown option '" + argument + "'";
      return false;
    } else {
      options.pages.push_back(argument);
    }
  }
  if (options.output.empty()) {
    error = "build needs -o BOOK.kwen";
  } else if (!IsPackedDocumentName(options.output.c_str())) {
    error = "the document's name must end in .kwen, by which the viewer knows it";
  } else if (options.pages.empty()) {
    error = "build needs at least one page image";
  } else if (options.pages.size() > static_cast<size_t>(kMaxPages)) {
    error = "a document holds at most " + std::to_string(kMaxPages) + " pages";
  } else if (options.language != kDefaultLanguage && !options.ocr) {
    error = "--lang is the language of --ocr";
  }
  return error.empty();
}

bool ParseJobs(const char* text, int32_t& jobs, std::string& error) {
  if (ParseNumber(text, 1, kMostJobs, jobs)) return true;
  error = "--jobs takes a number from 1 to " + std::to_string(kMostJobs);
  return false;
}

// Names as the recognition data's files are named (eng, chi_sim, deu_latf,
// script/Latin), joined by '+'; nothing that leads out of its folder.
bool ParseLanguage(const char* text, std::string& language, std::string& error) {
  const std::string name = text;
  bool valid = !name.empty() && name.find("..") == std::string::npos && name.front() != '/' && name.front() != '+' &&
               name.back() != '+' && name.find("++") == std::string::npos;
  for (const char c : name) {
    valid = valid && (std::isalnum(static_cast<unsigned char>(c)) || std::strchr("_-+/", c) != nullptr);
  }
  if (!valid) {
    error = "--lang takes the name of a language of the text recognition, such as eng or eng+deu";
    return false;
  }
  language = name;
  return true;
}
