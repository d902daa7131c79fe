// The document library as the browser's module exports it: plain C calls
// over numbered documents, so that the scripts need no binding layer and
// the module stays small. Failures return 0 and leave their message for
// kw_error(); nothing here throws across the boundary.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kwen/document.h"
#include "kwen/text.h"
#include "render/text_formats.h"

namespace {

constexpr size_t kMostHits = 10000;
// The most a page built for the screen may take: a canvas larger than this
// is more than a browser shows.
constexpr uint64_t kLargestRgbaBytes = uint64_t{512} << 20;
constexpr uint8_t kOpaque = 0xFF;

// An open document and what the scripts last asked of it.
struct OpenDocument {
  kwen::Document document;
  std::unique_ptr<kwen::TextSearch> search;  // made at the first search
  std::string textFailure;                   // why the text cannot be read
  bool textRead = false;
  kwen::DocumentText text;
};

std::map<int32_t, std::unique_ptr<OpenDocument>> documents;
int32_t lastNumber = 0;
std::string lastError;
std::string lastText;           // the last string handed out
std::vector<uint8_t> lastPixels;  // the last page handed out, RGBA or BMP
int32_t lastSize[2] = {0, 0};

OpenDocument* Find(int32_t number) {
  const auto found = documents.find(number);
  if (found != documents.end()) return found->second.get();
  lastError = "No such document is open";
  return nullptr;
}

// Runs `work`, turning a refusal into a message; false when it failed.
template <typename Work>
bool Guarded(Work work) {
  try {
    work();
    return true;
  } catch (const std::bad_alloc&) {
    lastError = "Not enough memory";
  } catch (const std::exception& error) {
    lastError = error.what();
  }
  return false;
}

int32_t Remember(kwen::Document document) {
  auto open = std::make_unique<OpenDocument>(OpenDocument{std::move(document), nullptr, {}, false, {}});
  documents[++lastNumber] = std::move(open);
  return lastNumber;
}

void ToRgba(const kwen::Bitmap& bitmap) {
  // Sizes here are 32 bits: the product is checked in 64 first.
  const uint64_t bytes = uint64_t{static_cast<uint32_t>(bitmap.width)} * static_cast<uint32_t>(bitmap.height) * 4;
  if (bytes > kLargestRgbaBytes) throw kwen::Error("The page is too large to show at this size");
  lastPixels.resize(static_cast<size_t>(bytes));
  uint8_t* out = lastPixels.data();
  const bool grey = bitmap.format == kwen::PixelFormat::kGrey;
  for (int32_t y = 0; y < bitmap.height; ++y) {
    const uint8_t* row = bitmap.Row(y);
    for (int32_t x = 0; x < bitmap.width; ++x, out += 4) {
      const uint8_t* in = grey ? row + x : row + 3 * static_cast<size_t>(x);
      out[0] = in[0];
      out[1] = grey ? in[0] : in[1];
      out[2] = grey ? in[0] : in[2];
      out[3] = kOpaque;
    }
  }
  lastSize[0] = bitmap.width;
  lastSize[1] = bitmap.height;
}

// The document's text, read once; false (the reason kept) when damaged. A
// document still arriving may only lack its end: that is not kept.
bool ReadText(OpenDocument& open) {
  if (!open.textRead) {
    const bool read = Guarded([&] { open.text = open.document.Text(); });
    if (!read && open.document.Progress().state == kwen::RestoreState::kGoing) return false;
    open.textRead = true;
    if (!read) open.textFailure = lastError;
  }
  if (open.textFailure.empty()) return true;
  lastError = open.textFailure;
  return false;
}

const char* HandOut(std::string text) {
  lastText = std::move(text);
  return lastText.c_str();
}

void AppendBox(std::string& json, const kwen::Box& box) {
  json += "[" + std::to_string(box.left) + "," + std::to_string(box.top) + "," + std::to_string(box.right) + "," +
          std::to_string(box.bottom) + "]";
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* kw_error() { return lastError.c_str(); }

// Opens the `size` bytes at `bytes` (copied); until `complete` they are the
// first of a packed document's. A document number, or 0.
EMSCRIPTEN_KEEPALIVE int32_t kw_open(const uint8_t* bytes, uint32_t size, const char* name, int32_t complete) {
  int32_t number = 0;
  Guarded([&] {
    std::vector<uint8_t> copy(bytes, bytes + size);
    kwen::OpenOptions options;
    options.threads = 1;
    number = Remember(kwen::Document::FromArrivingBytes(std::move(copy), name, complete != 0, options));
  });
  return number;
}

EMSCRIPTEN_KEEPALIVE int32_t kw_arrive(int32_t number, const uint8_t* bytes, uint32_t size, int32_t complete) {
  OpenDocument* open = Find(number);
  return open != nullptr && Guarded([&] { open->document.Arrive(bytes, size, complete != 0); });
}

EMSCRIPTEN_KEEPALIVE void kw_close(int32_t number) { documents.erase(number); }

EMSCRIPTEN_KEEPALIVE int32_t kw_page_count(int32_t number) {
  OpenDocument* open = Find(number);
  return open != nullptr ? open->document.PageCount() : 0;
}

// Restores until `bytes` of the document are there or nothing more has
// arrived; `progress` gets restored bytes, total bytes, pages ready and
// the state (0 going, 1 whole, 2 too large, 3 cut short, 4 damaged).
EMSCRIPTEN_KEEPALIVE int32_t kw_restore(int32_t number, double bytes, double* progress) {
  OpenDocument* open = Find(number);
  kwen::RestoreProgress now;
  if (open == nullptr || !Guarded([&] { now = open->document.Restore(static_cast<int64_t>(bytes)); })) return 0;
  progress[0] = static_cast<double>(now.restored);
  progress[1] = static_cast<double>(now.total);
  progress[2] = now.pagesReady;
  progress[3] = static_cast<double>(now.state);
  return 1;
}

// Width, height, dots per inch, bits per pixel and whether it is grey.
EMSCRIPTEN_KEEPALIVE int32_t kw_page_info(int32_t number, int32_t index, int32_t* facts) {
  OpenDocument* open = Find(number);
  kwen::PageInfo info;
  if (open == nullptr || !Guarded([&] { info = open->document.Page(index); })) return 0;
  facts[0] = info.width;
  facts[1] = info.height;
  facts[2] = info.dotsPerInch;
  facts[3] = info.bitsPerPixel;
  facts[4] = info.grey;
  return 1;
}

// Page `index` at `scale` (at most 1), the part given (0 width or height:
// to the edge), as RGBA; kw_render_width and kw_render_height tell its size.
// The pixels stay until the next build.
EMSCRIPTEN_KEEPALIVE const uint8_t* kw_render(int32_t number, int32_t index, double scale, int32_t left, int32_t top,
                                              int32_t width, int32_t height) {
  OpenDocument* open = Find(number);
  kwen::Scaling scaling;
  scaling.scale = scale;
  scaling.area = {left, top, width, height};
  const bool built = open != nullptr && Guarded([&] {
    kwen::Bitmap bitmap;
    open->document.BuildScaled(index, scaling, bitmap);
    ToRgba(bitmap);
  });
  return built ? lastPixels.data() : nullptr;
}

// Page `index` as the BMP file the viewers export; kw_bytes_size tells its
// size. The bytes stay until the next build.
EMSCRIPTEN_KEEPALIVE const uint8_t* kw_page_bmp(int32_t number, int32_t index) {
  OpenDocument* open = Find(number);
  const bool built = open != nullptr && Guarded([&] { lastPixels = open->document.PageAsBmp(index); });
  return built ? lastPixels.data() : nullptr;
}

EMSCRIPTEN_KEEPALIVE double kw_bytes_size() { return static_cast<double>(lastPixels.size()); }
EMSCRIPTEN_KEEPALIVE int32_t kw_render_width() { return lastSize[0]; }
EMSCRIPTEN_KEEPALIVE int32_t kw_render_height() { return lastSize[1]; }

// The title and outline, or page `index`'s words, as the JSON text format
// gives them (page -1: no page); 0 when the text is damaged.
EMSCRIPTEN_KEEPALIVE const char* kw_text(int32_t number, int32_t index) {
  OpenDocument* open = Find(number);
  if (open == nullptr || !ReadText(*open)) return nullptr;
  std::vector<TextPage> pages;
  if (index >= 0) {
    kwen::PageInfo info;
    if (!Guarded([&] { info = open->document.Page(index); })) return nullptr;
    pages.push_back({index, info.width, info.height});
  }
  std::string json;
  if (!Guarded([&] { json = FormatText(TextFormat::kJson, open->text, pages); })) return nullptr;
  return HandOut(std::move(json));
}

// Whether the document has words: 1, 0, or -1 when its text is damaged.
EMSCRIPTEN_KEEPALIVE int32_t kw_has_words(int32_t number) {
  OpenDocument* open = Find(number);
  if (open == nullptr || !ReadText(*open)) return -1;
  return open->text.HasWords() ? 1 : 0;
}

// Where `query` occurs: JSON {"hits": [{"page", "boxes": [[l, t, r, b]]}],
// "capped"}, at most 10,000 hits.
EMSCRIPTEN_KEEPALIVE const char* kw_search(int32_t number, const char* query) {
  OpenDocument* open = Find(number);
  if (open == nullptr || !ReadText(*open)) return nullptr;
  std::vector<kwen::TextHit> hits;
  const bool found = Guarded([&] {
    if (!open->search) open->search = std::make_unique<kwen::TextSearch>(open->text);
    hits = open->search->Find(query, kMostHits + 1);
  });
  if (!found) return nullptr;
  std::string json = "{\"hits\":[";
  for (size_t k = 0; k < hits.size() && k < kMostHits; ++k) {
    if (k > 0) json += ",";
    json += "{\"page\":" + std::to_string(hits[k].page) + ",\"boxes\":[";
    for (size_t b = 0; b < hits[k].boxes.size(); ++b) {
      if (b > 0) json += ",";
      AppendBox(json, hits[k].boxes[b]);
    }
    json += "]}";
  }
  json += std::string("],\"capped\":") + (hits.size() > kMostHits ? "true" : "false") + "}";
  return HandOut(std::move(json));
}

}  // extern "C"
