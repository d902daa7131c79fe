// Building pages through the public interface: the page bitmap in bands
// (windows of its rows), on as many threads as the document allows, drawn
// into the caller's bitmap or averaged down band by band.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "document/page_loader.h"
#include "library/document_shared.h"
#include "library/parallel.h"
#include "render/area_average.h"
#include "render/export_layout.h"
#include "render/pixel_tones.h"

namespace kwen {

namespace {

// Bytes of page bitmap one band holds: small enough to stay in cache and
// to keep a huge page's scaled build small, large enough that walking the
// page's records once per band costs little.
constexpr uint64_t kBandBytes = uint64_t{4} << 20;
// A page with fewer pixels is built on one thread: threads cost more.
constexpr uint64_t kSharedWorkPixels = uint64_t{1} << 20;
constexpr uint32_t kDeepestScaledBits = 32;
constexpr uint32_t kLargestIndexedBits = 8;

// Runs `work(reader, band)` for bands 0 to `bands` - 1 on up to `threads`
// threads, each with a reader of its own (`first` on this thread, copies
// of it on the others); the first failure is thrown once all have stopped.
template <typename Reader, typename Work>
void RunBands(int32_t bands, int threads, Reader& first, Work work) {
  std::atomic<int32_t> next{0};
  std::atomic<bool> failed{false};
  std::exception_ptr failure;
  Lock failureLock;
  RunTogether(std::min<int>(threads, bands), [&](int thread) {
    std::unique_ptr<Reader> own;
    try {
      if (thread != 0) own = std::make_unique<Reader>(first);
    } catch (...) {
      // The other threads draw this one's bands.
      return;
    }
    Reader& reader = thread == 0 ? first : *own;
    for (int32_t band; !failed.load() && (band = next.fetch_add(1)) < bands;) {
      try {
        work(reader, band);
      } catch (...) {
        std::lock_guard<Lock> hold(failureLock);
        if (!failure) failure = std::current_exception();
        failed.store(true);
      }
    }
  });
  if (failure) std::rethrow_exception(failure);
}

// Band count for `work` pixels in `bytes` of bitmap over `rows` rows.
int32_t BandsFor(uint64_t bytes, uint64_t pixels, int32_t rows, int threads) {
  uint64_t bands = (bytes + kBandBytes - 1) / kBandBytes;
  if (pixels >= kSharedWorkPixels) bands = std::max<uint64_t>(bands, static_cast<uint64_t>(threads));
  return static_cast<int32_t>(std::clamp<uint64_t>(bands, 1, static_cast<uint64_t>(rows)));
}

uint8_t* Allocate(std::vector<uint8_t>& pixels, uint64_t size) {
  try {
    pixels.assign(static_cast<size_t>(size), 0);
  } catch (const std::bad_alloc&) {
    throw Error("Not enough memory for the page bitmap");
  }
  return pixels.data();
}

// One band drawer per thread: its own files over the shared store, its own
// page state. The first reads the page's facts, refusing what the builds
// would refuse before any bitmap is set aside.
struct BandReader {
  const Document::Shared* shared;
  int32_t index;
  PageState page;
  DocFile hdoc, hofs;
  int64_t bitsStart = 0;  // a BMP file's bits

  BandReader(const Document::Shared& document, int32_t pageIndex) : shared(&document), index(pageIndex) {
    ReadPageFacts(document, index, page, hdoc, hofs);
    if (document.kind == FileKind::kBitmap) bitsStart = SeekDocFile(hdoc, 0, kSeekCurrent);
  }
  BandReader(const BandReader& other) : shared(other.shared), index(other.index), bitsStart(other.bitsStart) {
    OpenStoreDocFile(hdoc, *shared->store);
    OpenStoreDocFile(hofs, *shared->store);
  }

  // Scratch of the scaled builds: the band's bitmap, a row's tones.
  std::vector<uint8_t> band;
  std::vector<uint8_t> toneRow;

  // Draws `window`; a BMP file's rows are read whole (window.left 0 and the
  // page's width).
  void Draw(const PageWindow& window, const PageGeometry& geometry) {
    if (shared->kind != FileKind::kBitmap) {
      LoadPageWindow(shared->table, page, hdoc, hofs, index, window);
      return;
    }
    const uint64_t bytes = geometry.stride * static_cast<uint64_t>(window.rows);
    const int64_t at = bitsStart + static_cast<int64_t>(geometry.stride) * window.bottomRow;
    if (SeekDocFile(hdoc, at, kSeekSet) != at || !GatherRead(hdoc, window.bits, static_cast<uint32_t>(bytes))) {
      throw Error(shared->name + " is cut short (it ends inside its bitmap)");
    }
  }
};

void FlipRows(Bitmap& bitmap) {
  std::vector<uint8_t> swap(static_cast<size_t>(bitmap.stride));
  for (int32_t top = 0, bottom = bitmap.height - 1; top < bottom; ++top, --bottom) {
    std::memcpy(swap.data(), bitmap.Row(top), swap.size());
    std::memcpy(bitmap.Row(top), bitmap.Row(bottom), swap.size());
    std::memcpy(bitmap.Row(bottom), swap.data(), swap.size());
  }
}

std::vector<uint32_t> Palette(const PageState& page) {
  int32_t colours = 0;
  const RgbQuad* table = ColourTable(page, &colours);
  std::vector<uint32_t> palette(static_cast<size_t>(colours));
  for (int32_t i = 0; i < colours; ++i) {
    palette[i] = uint32_t{table[i].rgbRed} << 16 | uint32_t{table[i].rgbGreen} << 8 | table[i].rgbBlue;
  }
  return palette;
}

int ChannelsFor(Tone tone, const PixelTones& tones) {
  if (tone == Tone::kGrey) return 1;
  if (tone == Tone::kRgb) return 3;
  return tones.AllGrey() ? 1 : 3;
}

bool ScalableDepth(uint32_t bits) {
  return bits <= kLargestIndexedBits || bits == 16 || bits == 24 || bits == kDeepestScaledBits;
}

// Scaled pages larger than this are refused: a scaled build is for showing.
constexpr uint64_t kLargestScaledBytes = uint64_t{1} << 31;

// The scaling's area, its empty sides made whole; refuses an area outside
// the scaled page.
Area AreaOf(const PageGeometry& geometry, const Scaling& scaling) {
  int32_t width = 0, height = 0;
  ScaledSize(PageInfo{geometry.width, geometry.height}, scaling.scale, &width, &height);
  Area area = scaling.area;
  if (area.width == 0) area.width = width - area.left;
  if (area.height == 0) area.height = height - area.top;
  if (area.left < 0 || area.top < 0 || area.width <= 0 || area.height <= 0 ||
      int64_t{area.left} + area.width > width || int64_t{area.top} + area.height > height) {
    throw Error("The area asked for lies outside the page scaled to " + std::to_string(width) + " x " +
                std::to_string(height));
  }
  return area;
}

void PrepareScaled(Bitmap& into, const Area& area, int channels) {
  const uint64_t stride = static_cast<uint64_t>(area.width) * channels;
  const uint64_t size = stride * static_cast<uint64_t>(area.height);
  if (size > kLargestScaledBytes) throw Error("The scaled page would take more than 2 GiB");
  into.format = channels == 1 ? PixelFormat::kGrey : PixelFormat::kRgb;
  into.width = area.width;
  into.height = area.height;
  into.bitsPerPixel = 8 * channels;
  into.stride = static_cast<int64_t>(stride);
  into.palette.clear();
  Allocate(into.pixels, size);
}

void Reserve(std::vector<uint8_t>& scratch, uint64_t size) {
  if (scratch.size() >= size) return;
  try {
    scratch.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    throw Error("Not enough memory for the page bitmap");
  }
}

// Draws the whole page, band by band, into `bits` (rows bottom first):
// each band is its own run of the bitmap's rows.
void DrawWholePage(const Document::Shared& shared, BandReader& first, const PageGeometry& geometry, uint8_t* bits) {
  const uint64_t size = geometry.stride * static_cast<uint64_t>(geometry.height);
  const uint64_t pixels = static_cast<uint64_t>(geometry.width) * static_cast<uint64_t>(geometry.height);
  const int32_t bands = BandsFor(size, pixels, geometry.height, shared.threads);
  RunBands(bands, shared.threads, first, [&](BandReader& reader, int32_t band) {
    const int32_t bottom = static_cast<int32_t>(int64_t{geometry.height} * band / bands);
    const int32_t top = static_cast<int32_t>(int64_t{geometry.height} * (band + 1) / bands);
    const uint64_t offset = geometry.stride * static_cast<uint64_t>(bottom);
    reader.Draw(PageWindow{0, bottom, geometry.width, top - bottom, bits + offset}, geometry);
  });
}

}  // namespace

void Document::BuildPage(int32_t index, Bitmap& into) const {
  const Shared& shared = *shared_;
  BandReader first(shared, index);
  const PageGeometry geometry = CheckPageGeometry(first.page, shared.kind != FileKind::kBitmap);
  into.format = PixelFormat::kPage;
  into.width = geometry.width;
  into.height = geometry.height;
  into.bitsPerPixel = static_cast<int32_t>(geometry.bits);
  into.stride = static_cast<int64_t>(geometry.stride);
  into.palette = Palette(first.page);
  DrawWholePage(shared, first, geometry, Allocate(into.pixels, geometry.stride * static_cast<uint64_t>(geometry.height)));
  FlipRows(into);
}

PageLayout Document::Layout(int32_t index) const {
  const Shared& shared = *shared_;
  BandReader reader(shared, index);
  const PageGeometry geometry = CheckPageGeometry(reader.page, shared.kind != FileKind::kBitmap);
  PageLayout layout;
  ExportPart parts[kExportParts];
  GetExportParts(reader.page, parts);
  for (const ExportPart& part : parts) {
    if (part.data == reader.page.bits) break;  // the headers end where the bits start
    const uint8_t* bytes = static_cast<const uint8_t*>(part.data);
    layout.headers.insert(layout.headers.end(), bytes, bytes + part.size);
  }
  layout.bitsBytes = geometry.stride * static_cast<uint64_t>(geometry.height);
  return layout;
}

void Document::BuildPageBits(int32_t index, uint8_t* bits, uint64_t size) const {
  const Shared& shared = *shared_;
  BandReader first(shared, index);
  const PageGeometry geometry = CheckPageGeometry(first.page, shared.kind != FileKind::kBitmap);
  if (size != geometry.stride * static_cast<uint64_t>(geometry.height)) {
    throw Error("The page's bits take " + std::to_string(geometry.stride * static_cast<uint64_t>(geometry.height)) +
                " bytes, not " + std::to_string(size));
  }
  DrawWholePage(shared, first, geometry, bits);
}

Bitmap Document::BuildPage(int32_t index) const {
  Bitmap bitmap;
  BuildPage(index, bitmap);
  return bitmap;
}

void Document::BuildScaled(int32_t index, const Scaling& scaling, Bitmap& into) const {
  const Shared& shared = *shared_;
  if (!(scaling.scale > 0 && scaling.scale <= 1)) throw Error("The scale must be above 0 and at most 1");
  BandReader first(shared, index);
  const PageGeometry geometry = CheckPageGeometry(first.page, shared.kind != FileKind::kBitmap);
  if (!ScalableDepth(geometry.bits)) {
    throw Error("A page of " + std::to_string(geometry.bits) + " bits per pixel cannot be shown");
  }
  const Area area = AreaOf(geometry, scaling);
  int32_t colours = 0;
  const RgbQuad* table = ColourTable(first.page, &colours);
  const int channels = ChannelsFor(scaling.tone, PixelTones(geometry.bits, table, colours, 1));
  const PixelTones tones(geometry.bits, table, colours, channels);
  int32_t scaledWidth = 0, scaledHeight = 0;
  ScaledSize(PageInfo{geometry.width, geometry.height}, scaling.scale, &scaledWidth, &scaledHeight);
  AreaAverage average(AxisSpans(geometry.width, scaledWidth, area.left, area.width),
                      AxisSpans(geometry.height, scaledHeight, area.top, area.height),
                      static_cast<uint32_t>(scaledWidth), static_cast<uint32_t>(scaledHeight), channels);
  PrepareScaled(into, area, channels);

  // A BMP file's rows are read whole; a document page's window holds only
  // the columns the area covers.
  const bool bitmapFile = shared.kind == FileKind::kBitmap;
  const int32_t windowLeft = bitmapFile ? 0 : average.FirstColumn();
  const int32_t windowWidth = bitmapFile ? geometry.width : average.ColumnCount();
  // 1-bit rows are averaged from their bits, as they are.
  const bool oneBit = geometry.bits == 1;
  if (oneBit) average.UseBits(windowLeft, tones.ToneOf(0), tones.ToneOf(1));
  const uint64_t windowStride = RowBytes(geometry.bits, static_cast<uint32_t>(windowWidth));
  const uint64_t rowsPerOutput = static_cast<uint64_t>(geometry.height) / static_cast<uint64_t>(scaledHeight) + 2;
  const uint64_t outputRowsPerBand = std::max<uint64_t>(1, kBandBytes / (windowStride * rowsPerOutput));
  const uint64_t pixels = static_cast<uint64_t>(windowWidth) * rowsPerOutput * static_cast<uint64_t>(area.height);
  const int32_t bands = BandsFor((static_cast<uint64_t>(area.height) + outputRowsPerBand - 1) / outputRowsPerBand *
                                     kBandBytes,
                                 pixels, area.height, shared.threads);
  RunBands(bands, shared.threads, first, [&](BandReader& reader, int32_t band) {
    const int32_t firstOut = static_cast<int32_t>(int64_t{area.height} * band / bands);
    const int32_t endOut = static_cast<int32_t>(int64_t{area.height} * (band + 1) / bands);
    int32_t firstRow = 0, endRow = 0;
    average.RowsOf(firstOut, endOut, &firstRow, &endRow);
    const int32_t rows = endRow - firstRow;
    Reserve(reader.band, windowStride * static_cast<uint64_t>(rows));
    Reserve(reader.toneRow, static_cast<uint64_t>(windowWidth) * channels + 8);
    const PageWindow window{windowLeft, geometry.height - endRow, windowWidth, rows, reader.band.data()};
    reader.Draw(window, geometry);
    const size_t skip = static_cast<size_t>(average.FirstColumn() - windowLeft) * channels;
    auto rowAt = [&](int32_t y) {
      const uint8_t* row = reader.band.data() + windowStride * static_cast<uint64_t>(endRow - 1 - y);
      if (oneBit) return row;
      tones.Convert(row, windowWidth, reader.toneRow.data());
      return static_cast<const uint8_t*>(reader.toneRow.data() + skip);
    };
    average.Average(firstOut, endOut, rowAt, into.Row(firstOut), into.stride);
  });
}

std::vector<uint8_t> Document::PageAsBmp(int32_t index) const {
  const PageLayout layout = Layout(index);
  std::vector<uint8_t> file;
  Allocate(file, layout.headers.size() + layout.bitsBytes);
  std::copy(layout.headers.begin(), layout.headers.end(), file.begin());
  BuildPageBits(index, file.data() + layout.headers.size(), layout.bitsBytes);
  return file;
}

Bitmap Document::BuildScaled(int32_t index, const Scaling& scaling) const {
  Bitmap bitmap;
  BuildScaled(index, scaling, bitmap);
  return bitmap;
}

}  // namespace kwen
