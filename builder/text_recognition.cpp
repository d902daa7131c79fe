#include "builder/text_recognition.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

#include "document/document_layout.h"
#include "document/utf8.h"

// The engine runs parts of a page on OpenMP threads of its own. With a page
// on every core already those threads only wait on one another, and a page
// takes several times as long; the setting is each thread's own, so it is
// made on the thread that reads. Declared weak: it is the engine's OpenMP
// run-time that must be told, when it has one.
extern "C" void omp_set_max_active_levels(int levels) __attribute__((weak));

namespace {

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;
// The engine's image formats: bytes a pixel, 0 for 1 bit.
constexpr int kGreyBytes = 1;
constexpr int kBitonalBytes = 0;

// A word holding a space or a control character is the engine's mistake:
// no word the document stores holds one.
bool IsStorableWord(const std::string& word) {
  const auto unprintable = [](char c) { return (c >= 0 && c <= ' ') || c == '\x7F'; };
  return !word.empty() && std::none_of(word.begin(), word.end(), unprintable) && IsUtf8(word);
}

// The box made a rectangle within [0, width) x [0, height); false when
// nothing of it is on the page.
bool BoxOnPage(kwen::Box& box, int32_t width, int32_t height) {
  const kwen::Box given = box;
  box.left = std::clamp(std::min(given.left, given.right), 0, width);
  box.right = std::clamp(std::max(given.left, given.right), 0, width);
  box.top = std::clamp(std::min(given.top, given.bottom), 0, height);
  box.bottom = std::clamp(std::max(given.top, given.bottom), 0, height);
  return box.left < box.right && box.top < box.bottom;
}

kwen::PageText CollectWords(tesseract::ResultIterator& words) {
  kwen::PageText text;
  bool lineStarts = true;
  bool blockStarts = true;
  do {
    // A word left out passes the start of its line or paragraph on.
    lineStarts = lineStarts || words.IsAtBeginningOf(tesseract::RIL_TEXTLINE);
    blockStarts = blockStarts || words.IsAtBeginningOf(tesseract::RIL_PARA);
    const std::unique_ptr<char[]> found(words.GetUTF8Text(tesseract::RIL_WORD));
    kwen::Box box;
    if (found == nullptr || !words.BoundingBox(tesseract::RIL_WORD, &box.left, &box.top, &box.right, &box.bottom)) {
      continue;
    }
    if (lineStarts) {
      text.lines.emplace_back();
      text.lines.back().startsBlock = blockStarts;
      lineStarts = blockStarts = false;
    }
    text.lines.back().words.push_back(kwen::Word{found.get(), box});
  } while (words.Next(tesseract::RIL_WORD));
  return text;
}

// The languages asked for, in the engine's order.
std::vector<std::string> LanguagesOf(const std::string& language) {
  std::vector<std::string> names;
  size_t start = 0;
  for (size_t plus; (plus = language.find('+', start)) != std::string::npos; start = plus + 1) {
    names.push_back(language.substr(start, plus - start));
  }
  names.push_back(language.substr(start));
  return names;
}

bool IsBlackAndWhite(const kwen::Bitmap& page) {
  return page.format == kwen::PixelFormat::kPage && page.bitsPerPixel == 1 && page.palette.size() == 2 &&
         page.palette[0] == kBlack && page.palette[1] == kWhite;
}

// A box of `read`, a scaled copy of the page of `info`, over the page's own
// pixels, covering at least what it covered.
kwen::Box ScaledUp(const kwen::Box& box, const kwen::Bitmap& read, const kwen::PageInfo& info) {
  const double across = static_cast<double>(info.width) / read.width;
  const double down = static_cast<double>(info.height) / read.height;
  const auto up = [](int32_t value, double factor, bool roundUp, int32_t limit) {
    const double exact = value * factor;
    return std::clamp(static_cast<int32_t>(roundUp ? std::ceil(exact) : std::floor(exact)), 0, limit);
  };
  return kwen::Box{up(box.left, across, false, info.width), up(box.top, down, false, info.height),
                   up(box.right, across, true, info.width), up(box.bottom, down, true, info.height)};
}

}  // namespace

TextRecogniser::TextRecogniser() = default;
TextRecogniser::~TextRecogniser() = default;

bool TextRecogniser::Open(const std::string& language, std::string& error) {
  engine_ = std::make_unique<tesseract::TessBaseAPI>();
  // The engine's own notes (its missing files, its guesses) are not for
  // the user: what matters is told in our words. The setting is the whole
  // process's, made once before any engine reads a page.
  static std::once_flag quiet;
  std::call_once(quiet, [this] { engine_->SetVariable("debug_file", "/dev/null"); });
  const bool opened = engine_->Init(nullptr, language.c_str(), tesseract::OEM_LSTM_ONLY) == 0;
  std::vector<std::string> loaded;
  if (opened) engine_->GetLoadedLanguagesAsVector(&loaded);
  for (const std::string& name : LanguagesOf(language)) {
    if (std::find(loaded.begin(), loaded.end(), name) != loaded.end()) continue;
    const char* folder = engine_->GetDatapath();
    error = "no text recognition data for the language '" + name + "': " + (folder != nullptr ? folder : "") +
            name + ".traineddata is missing or cannot be read";
    engine_.reset();
    return false;
  }
  // Pages of columns, headings and captions: found as blocks in reading order.
  engine_->SetPageSegMode(tesseract::PSM_AUTO);
  return true;
}

bool TextRecogniser::Read(const kwen::Bitmap& page, int32_t dotsPerInch, kwen::PageText& text, std::string& error) {
  if (omp_set_max_active_levels != nullptr) omp_set_max_active_levels(0);
  if (page.stride > std::numeric_limits<int>::max()) {
    error = "the page is too wide to read its text";
    return false;
  }
  // A page of black and white is read as it is: the engine would only cut
  // a grey copy of it back to the same pixels.
  const int pixelBytes = IsBlackAndWhite(page) ? kBitonalBytes : kGreyBytes;
  engine_->SetImage(page.pixels.data(), page.width, page.height, pixelBytes, static_cast<int>(page.stride));
  // Without a resolution the engine guesses one from the letters' sizes.
  if (dotsPerInch > 0) engine_->SetSourceResolution(dotsPerInch);
  const bool read = engine_->Recognize(nullptr) == 0;
  const std::unique_ptr<tesseract::ResultIterator> words(read ? engine_->GetIterator() : nullptr);
  text = words != nullptr ? CollectWords(*words) : kwen::PageText();
  engine_->Clear();
  if (!read) error = "the text recognition failed";
  return read;
}

bool RecognisePage(TextRecogniser& recogniser, const kwen::Document& document, int32_t index, kwen::PageText& text,
                   std::string& error, int64_t largestPixels) {
  const kwen::PageInfo info = document.Page(index);
  const double pixels = static_cast<double>(info.width) * info.height;
  const double largest = static_cast<double>(largestPixels);
  const double scale = pixels > largest ? std::sqrt(largest / pixels) : 1;
  kwen::Bitmap page;
  if (scale == 1 && info.bitsPerPixel == 1) document.BuildPage(index, page);
  if (!IsBlackAndWhite(page)) {
    kwen::Scaling scaling;
    scaling.scale = scale;
    scaling.tone = kwen::Tone::kGrey;
    page = document.BuildScaled(index, scaling);
  }
  const int32_t dotsPerInch = static_cast<int32_t>(std::lround(info.dotsPerInch * scale));
  if (!recogniser.Read(page, dotsPerInch, text, error)) return false;
  if (scale != 1) {
    for (kwen::TextLine& line : text.lines) {
      for (kwen::Word& word : line.words) word.box = ScaledUp(word.box, page, info);
    }
  }
  text = StorableText(text, info.width, info.height);
  return true;
}

kwen::PageText StorableText(const kwen::PageText& text, int32_t width, int32_t height) {
  kwen::PageText stored;
  size_t wordsLeft = kLargestPageWords;
  bool blockStarts = false;
  for (const kwen::TextLine& line : text.lines) {
    blockStarts = blockStarts || line.startsBlock;
    kwen::TextLine kept;
    for (const kwen::Word& word : line.words) {
      kwen::Box box = word.box;
      if (wordsLeft == 0 || !IsStorableWord(word.text) || !BoxOnPage(box, width, height)) continue;
      kept.words.push_back(kwen::Word{word.text, box});
      --wordsLeft;
    }
    if (kept.words.empty()) continue;
    kept.startsBlock = blockStarts;
    blockStarts = false;
    stored.lines.push_back(std::move(kept));
  }
  return stored;
}
