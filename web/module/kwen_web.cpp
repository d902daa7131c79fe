// The document library as the browser's module exports it: plain C calls on
// a handle, so that the scripts need no binding layer and the module stays
// small. kw_open always gives a handle (its failure, if any, is told by
// kw_error); each call after that fails with 0 and leaves its message there
// too. A handle holds what it last handed out; nothing is shared between
// handles, and nothing throws across the boundary.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <memory>
#include <new>
#include <optional>
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

}  // namespace

// An open document (or the failure to open one) and what the scripts last
// asked of it.
struct KwenHandle {
  std::optional<kwen::Document> document;
  std::string error;              // the last call's failure
  std::string handedText;         // the last string handed out
  std::vector<uint8_t> handedBytes;  // the last page handed out, RGBA or BMP
  int32_t handedSize[2] = {0, 0};
  std::unique_ptr<kwen::TextSearch> search;  // made at the first search
  std::string textFailure;                   // why the text cannot be read
  bool textRead = false;
  kwen::DocumentText text;

  // Runs `work` on the open document, turning a refusal into a message;
  // false when it failed.
  template <typename Work>
  bool Guarded(Work work) {
    if (!document) {
      error = "No document is open";
      return false;
    }
    try {
      work(*document);
      return true;
    } catch (const std::bad_alloc&) {
      error = "Not enough memory";
    } catch (const std::exception& failure) {
      error = failure.what();
    }
    return false;
  }

  const char* HandOut(std::string json) {
    handedText = std::move(json);
    return handedText.c_str();
  }
};

namespace {

void ToRgba(KwenHandle& handle, const kwen::Bitmap& bitmap) {
  // Sizes here are 32 bits: the product is checked in 64 first.
  const uint64_t bytes = uint64_t{static_cast<uint32_t>(bitmap.width)} * static_cast<uint32_t>(bitmap.height) * 4;
  if (bytes > kLargestRgbaBytes) throw kwen::Error("The page is too large to show at this size");
  handle.handedBytes.resize(static_cast<size_t>(bytes));
  uint8_t* out = handle.handedBytes.data();
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
  handle.handedSize[0] = bitmap.width;
  handle.handedSize[1] = bitmap.height;
}

// The document's text, read once; false (the reason kept) when damaged. A
// document still arriving may only lack its end: that is not kept.
bool ReadText(KwenHandle& handle) {
  if (!handle.textRead) {
    const bool read = handle.Guarded([&](kwen::Document& document) { handle.text = document.Text(); });
    if (!read && handle.document && handle.document->Progress().state == kwen::RestoreState::kGoing) return false;
    handle.textRead = true;
    if (!read) handle.textFailure = handle.error;
  }
  if (handle.textFailure.empty()) return true;
  handle.error = handle.textFailure;
  return false;
}

void AppendBox(std::string& json, const kwen::Box& box) {
  json += "[" + std::to_string(box.left) + "," + std::to_string(box.top) + "," + std::to_string(box.right) + "," +
          std::to_string(box.bottom) + "]";
}

std::string HitsJson(const std::vector<kwen::TextHit>& hits) {
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
  return json + "],\"capped\":" + (hits.size() > kMostHits ? "true" : "false") + "}";
}

}  // namespace

extern "C" {

// Opens the `size` bytes at `bytes` (copied); until `complete` they are the
// first of a packed document's. A handle (0 only when memory ran out), to
// be closed with kw_close whether or not the document opened.
EMSCRIPTEN_KEEPALIVE KwenHandle* kw_open(const uint8_t* bytes, uint32_t size, const char* name, int32_t complete) {
  auto* handle = new (std::nothrow) KwenHandle;
  if (handle == nullptr) return nullptr;
  try {
    std::vector<uint8_t> copy(bytes, bytes + size);
    kwen::OpenOptions options;
    options.threads = 1;
    handle->document = kwen::Document::FromArrivingBytes(std::move(copy), name, complete != 0, options);
  } catch (const std::bad_alloc&) {
    handle->error = "Not enough memory";
  } catch (const std::exception& failure) {
    handle->error = failure.what();
  }
  return handle;
}

// Whether the handle holds an open document.
EMSCRIPTEN_KEEPALIVE int32_t kw_opened(const KwenHandle* handle) { return handle->document ? 1 : 0; }

EMSCRIPTEN_KEEPALIVE const char* kw_error(const KwenHandle* handle) { return handle->error.c_str(); }

EMSCRIPTEN_KEEPALIVE void kw_close(KwenHandle* handle) { delete handle; }

EMSCRIPTEN_KEEPALIVE int32_t kw_arrive(KwenHandle* handle, const uint8_t* bytes, uint32_t size, int32_t complete) {
  return handle->Guarded([&](kwen::Document& document) { document.Arrive(bytes, size, complete != 0); });
}

EMSCRIPTEN_KEEPALIVE int32_t kw_page_count(const KwenHandle* handle) {
  return handle->document ? handle->document->PageCount() : 0;
}

// Restores until `bytes` of the document are there or nothing more has
// arrived; `progress` gets restored bytes, total bytes, pages ready and
// the state (0 going, 1 whole, 2 too large, 3 cut short, 4 damaged).
EMSCRIPTEN_KEEPALIVE int32_t kw_restore(KwenHandle* handle, double bytes, double* progress) {
  kwen::RestoreProgress now;
  if (!handle->Guarded([&](kwen::Document& document) { now = document.Restore(static_cast<int64_t>(bytes)); })) {
    return 0;
  }
  progress[0] = static_cast<double>(now.restored);
  progress[1] = static_cast<double>(now.total);
  progress[2] = now.pagesReady;
  progress[3] = static_cast<double>(now.state);
  return 1;
}

// Width, height, dots per inch, bits per pixel and whether it is grey.
EMSCRIPTEN_KEEPALIVE int32_t kw_page_info(KwenHandle* handle, int32_t index, int32_t* facts) {
  kwen::PageInfo info;
  if (!handle->Guarded([&](kwen::Document& document) { info = document.Page(index); })) return 0;
  facts[0] = info.width;
  facts[1] = info.height;
  facts[2] = info.dotsPerInch;
  facts[3] = info.bitsPerPixel;
  facts[4] = info.grey;
  return 1;
}

// Page `index` at `scale` (at most 1), the part given (0 width or height:
// to the edge), as RGBA; kw_render_width and kw_render_height tell its size.
// The pixels stay until the handle's next build.
EMSCRIPTEN_KEEPALIVE const uint8_t* kw_render(KwenHandle* handle, int32_t index, double scale, int32_t left,
                                              int32_t top, int32_t width, int32_t height) {
  kwen::Scaling scaling;
  scaling.scale = scale;
  scaling.area = {left, top, width, height};
  const bool built = handle->Guarded([&](kwen::Document& document) {
    kwen::Bitmap bitmap;
    document.BuildScaled(index, scaling, bitmap);
    ToRgba(*handle, bitmap);
  });
  return built ? handle->handedBytes.data() : nullptr;
}

EMSCRIPTEN_KEEPALIVE int32_t kw_render_width(const KwenHandle* handle) { return handle->handedSize[0]; }
EMSCRIPTEN_KEEPALIVE int32_t kw_render_height(const KwenHandle* handle) { return handle->handedSize[1]; }

// Page `index` as the BMP file the viewers export; kw_bytes_size tells its
// size. The bytes stay until the handle's next build.
EMSCRIPTEN_KEEPALIVE const uint8_t* kw_page_bmp(KwenHandle* handle, int32_t index) {
  const bool built =
      handle->Guarded([&](kwen::Document& document) { handle->handedBytes = document.PageAsBmp(index); });
  return built ? handle->handedBytes.data() : nullptr;
}

EMSCRIPTEN_KEEPALIVE double kw_bytes_size(const KwenHandle* handle) {
  return static_cast<double>(handle->handedBytes.size());
}

// The title and outline, or page `index`'s words, as the JSON text format
// gives them (page -1: no page); 0 when the text is damaged.
EMSCRIPTEN_KEEPALIVE const char* kw_text(KwenHandle* handle, int32_t index) {
  if (!ReadText(*handle)) return nullptr;
  std::string json;
  const bool made = handle->Guarded([&](kwen::Document& document) {
    std::vector<TextPage> pages;
    if (index >= 0) {
      const kwen::PageInfo info = document.Page(index);
      pages.push_back({index, info.width, info.height});
    }
    json = FormatText(TextFormat::kJson, handle->text, pages);
  });
  return made ? handle->HandOut(std::move(json)) : nullptr;
}

// Whether the document has words: 1, 0, or -1 when its text is damaged.
EMSCRIPTEN_KEEPALIVE int32_t kw_has_words(KwenHandle* handle) {
  if (!ReadText(*handle)) return -1;
  return handle->text.HasWords() ? 1 : 0;
}

// Where `query` occurs: JSON {"hits": [{"page", "boxes": [[l, t, r, b]]}],
// "capped"}, at most 10,000 hits.
EMSCRIPTEN_KEEPALIVE const char* kw_search(KwenHandle* handle, const char* query) {
  if (!ReadText(*handle)) return nullptr;
  std::string json;
  const bool found = handle->Guarded([&](kwen::Document&) {
    if (!handle->search) handle->search = std::make_unique<kwen::TextSearch>(handle->text);
    json = HitsJson(handle->search->Find(query, kMostHits + 1));
  });
  return found ? handle->HandOut(std::move(json)) : nullptr;
}

}  // extern "C"
