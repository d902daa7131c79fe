#include "document/page_loader.h"

#include <cstring>
#include <new>
#include <vector>

#include "document/compact_decoder.h"
#include "document/doc_reader.h"
#include "document/document_layout.h"
#include "document/document_error.h"
#include "document/spot_drawing.h"

namespace {

constexpr int kPositioningAttempts = 100;
constexpr uint32_t kDeepestPage = 24;
constexpr uint32_t kCompactDepth = 24;
// The pixels a page's spots may draw: a document of a few bytes can place a
// thin mask or a reference again and again, each drawing as much as the page
// holds. Real pages draw each pixel a few times at most; past the bound the
// page is refused rather than kept busy for minutes.
constexpr uint64_t kOverdrawFactor = 8;
constexpr uint64_t kDrawAllowance = uint64_t{1} << 28;
constexpr uint64_t kSpotAllowance = uint64_t{1} << 20;

// The state one page is built with: the document's table, read only, and
// the page written; no window when nothing is drawn, and no host when the
// bitmap is the caller's.
struct PageRun {
  const DocumentState& document;
  PageState& state;
  DocumentHost* host;
  const PageWindow* window;
};

void RequireWindowOnPage(const PageWindow& window, const PageGeometry& page) {
  if (window.left < 0 || window.bottomRow < 0 || window.width <= 0 || window.rows <= 0 ||
      int64_t{window.left} + window.width > page.width || int64_t{window.bottomRow} + window.rows > page.height) {
    throw DocumentError("The part of the page asked for lies outside it");
  }
}

// The window's bitmap, whose rows and columns start at its corner.
PageGeometry WindowGeometry(const PageWindow& window, uint32_t bits) {
  return PageGeometry{window.width, window.rows, bits, RowBytes(bits, static_cast<uint32_t>(window.width))};
}

// What the page loader keeps while it reads one page's spot records.
struct SpotCursor {
  int64_t x = 0;  // column of the previous spot's last pixel
  int64_t y = 0;  // page row (from the top) of the previous spot's bottom
  uint32_t ink = 0;
  bool drawing = true;   // false: the records are walked and counted, not drawn
  uint64_t drawBudget = 0;  // pixels the page's spots may still draw
};

struct Spot {
  uint32_t width;
  uint32_t height;
  bool picture;
  bool compact;
  bool reference;
};

// The page's record and the spots it refers to, each read through a buffer.
struct PageReaders {
  DocReader doc;
  DocReader refs;
};

// A single read (of a plain BMP file) fails only when the read reports
// failure; what a short file lacks reads as zeros, and the checks of the
// headers then tell what the file is not.
bool Read(DocFile& file, void* buffer, uint32_t count, bool gather) {
  if (gather) return GatherRead(file, buffer, count);
  int32_t got = ReadOnce(file, buffer, count);
  if (got < 0) return false;
  std::memset(static_cast<uint8_t*>(buffer) + got, 0, count - static_cast<uint32_t>(got));
  return true;
}

uint32_t LowBits(uint32_t bits) { return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1; }

void PositionAtPage(const DocumentState& document, DocFile& hdoc, int32_t page) {
  const int32_t* offsets = document.pageOffsets;
  for (int attempt = 0; attempt < kPositioningAttempts; ++attempt) {
    if (page == document.pageCount - 1) {
      int64_t lastByte = int64_t{offsets[document.pageCount]} - 1;
      if (SeekDocFile(hdoc, lastByte, kSeekSet) == lastByte) {
        SeekDocFile(hdoc, offsets[page], kSeekSet);
        return;
      }
    } else {
      int64_t next = offsets[page + 1];
      if (SeekDocFile(hdoc, next, kSeekSet) == next) {
        SeekDocFile(hdoc, int64_t{offsets[page]} - next, kSeekCurrent);
        return;
      }
    }
  }
  throw DocumentError("Error start positioning of File");
}

int32_t LastEntryOf(const PageState& state, uint8_t value, int32_t fallback) {
  int32_t found = fallback;
  for (int32_t i = 0; i < state.colorCount; ++i) {
    const RgbQuad& entry = state.info.RGBTable[i];
    if (entry.rgbBlue == value && entry.rgbGreen == value && entry.rgbRed == value) found = i;
  }
  return found;
}

// Whitens every pixel (not the row padding). Eight pixels fill B whole
// bytes, so the first row is that pattern repeated, and every other row a
// copy of the first: whatever the depth, the work is that of copying bytes.
void FillWhite(const PageState& state, const PageGeometry& page) {
  uint8_t pattern[kDeepestPage];
  std::memset(pattern, 0, sizeof pattern);
  const uint32_t white = static_cast<uint32_t>(state.whiteIndex) & LowBits(page.bits);
  for (uint32_t i = 0; i < 8; ++i) StorePixel(pattern, uint64_t{page.bits} * i, page.bits, white);
  const uint64_t pixelBits = uint64_t{page.bits} * static_cast<uint64_t>(page.width);
  const uint64_t usedBytes = (pixelBits + 7) / 8;
  uint8_t* row = state.bits;
  std::memset(row, 0, page.stride);
  uint64_t filled = usedBytes < page.bits ? usedBytes : page.bits;
  std::memcpy(row, pattern, filled);
  while (filled < usedBytes) {  // the pattern's length divides every copy
    const uint64_t copy = filled < usedBytes - filled ? filled : usedBytes - filled;
    std::memcpy(row + filled, row, copy);
    filled += copy;
  }
  if (pixelBits % 8 != 0) row[usedBytes - 1] &= static_cast<uint8_t>(0xFF00u >> (pixelBits % 8));
  for (int32_t r = 1; r < page.height; ++r) std::memcpy(state.bits + page.stride * r, row, page.stride);
}

uint64_t SpotBytes(const Spot& spot, uint32_t pageBits) {
  return spot.picture ? (uint64_t{pageBits} * spot.height + 7) / 8 * spot.width
                      : (uint64_t{spot.width} + 7) / 8 * spot.height;
}

bool IsThinMask(const Spot& spot, uint32_t pageBits) {
  return CarriesNoBits(spot.picture ? pageBits : 1, spot.width, spot.height);
}

// Takes what the spot costs from the page's drawing budget: what it draws,
// and for a reference the picture read or decoded again.
void ChargeSpot(const Spot& spot, const SpotArea& area, bool thin, SpotCursor& cursor) {
  uint64_t cost = 1 + area.Pixels();
  if (spot.reference && !thin) cost += uint64_t{spot.width} * spot.height;
  if (cost > cursor.drawBudget) throw DocumentError("The page's spots draw more than its size allows");
  cursor.drawBudget -= cost;
}

// Fails unless a raw picture of `size` bytes can be held and is all there.
void RequireRawSpot(DocReader& source, uint64_t size) {
  if (size > kLargestSpotBytes) throw DocumentError("Error memory allocation");
  if (!ReaderCanRead(source, size)) throw DocumentError("Read spot image failed");
}

// Whether `count` bytes of pixels of `pixelBytes` bytes each are all white.
bool WhitePixels(const uint8_t* bytes, uint64_t count, uint32_t pixelBytes, uint32_t white) {
  for (uint64_t at = 0; at + pixelBytes <= count; at += pixelBytes) {
    if (FetchPixel(bytes + at, 0, pixelBytes * 8) != white) return false;
  }
  return true;
}

// Whether a spot may leave a pixel other than white. A raw picture of whole
// bytes a pixel is looked at, in `drawing` from its buffer, otherwise read
// in pieces (and so passed); a picture of fewer bits a pixel may always.
bool SpotInks(DocReader& source, const Spot& spot, bool thin, uint32_t ink, const PageGeometry& page,
              int32_t whiteIndex, bool drawing, const std::vector<uint8_t>& buffer) {
  const uint32_t white = static_cast<uint32_t>(whiteIndex) & LowBits(page.bits);
  if (!spot.picture) return ink != white;
  if (thin) return white != 1;
  if (spot.compact || page.bits % 8 != 0) return true;
  const uint32_t pixelBytes = page.bits / 8;
  const uint64_t size = SpotBytes(spot, page.bits);
  if (drawing) return !WhitePixels(buffer.data(), size, pixelBytes, white);
  RequireRawSpot(source, size);
  constexpr uint64_t kPiecePixels = 4096;
  uint8_t piece[kPiecePixels * kDeepestPage / 8];
  for (uint64_t left = size; left > 0;) {
    const uint64_t count = left < kPiecePixels * pixelBytes ? left : kPiecePixels * pixelBytes;
    if (!ReadBytesFrom(source, piece, count)) throw DocumentError("Read spot image failed");
    if (!WhitePixels(piece, count, pixelBytes, white)) {
      if (!SkipInReader(source, left - count)) throw DocumentError("Read spot image failed");
      return true;
    }
    left -= count;
  }
  return false;
}

// With the slack masks are drawn with.
void AllocateSpotBuffer(std::vector<uint8_t>& buffer, uint64_t size) {
  size += kMaskSlack;
  if (buffer.size() >= size) return;
  try {
    buffer.resize(size);
  } catch (const std::bad_alloc&) {
    throw DocumentError("Error memory allocation");
  }
}

// Reads the spot's picture into `buffer`, or with `drawing` off, moves past it.
void FillSpot(PageState& state, DocReader& source, const Spot& spot, const PageGeometry& page, bool drawing,
              std::vector<uint8_t>& buffer) {
  const uint64_t size = SpotBytes(spot, page.bits);
  if (spot.compact) {
    if (page.bits < kCompactDepth) throw DocumentError("A compact-coded picture lies on a page of fewer than 24 bits per pixel");
    ++state.counts.compactPictures;
    // The decoder reads the file through a buffer of its own.
    ReleaseReader(source);
    DocFile& file = *source.file;
    if (!CompactPictureFits(spot.width, spot.height)) throw DocumentError("Error memory allocation");
    if (!drawing) {
      SkipCompactPicture(state.decoder, file, spot.height, spot.width);
    } else {
      RequireCompactBytes(state.decoder, file, spot.height, spot.width);
      AllocateSpotBuffer(buffer, size);
      ReadBufSgnCompact(state.decoder, file, buffer.data(), spot.height, spot.width, page.bits);
    }
    if (!ResumeReader(source)) throw DocumentError("Error of ReadBufSgnCompact");
    return;
  }
  RequireRawSpot(source, size);
  if (!drawing) {
    if (!SkipInReader(source, size)) throw DocumentError("Read spot image failed");
    return;
  }
  AllocateSpotBuffer(buffer, size);
  if (!ReadBytesFrom(source, buffer.data(), size)) throw DocumentError("Read spot image failed");
}

// In a window, a raw picture of whole bytes a pixel is read only where the
// window shows it: the columns it covers, each from its first row there.
bool ReadsSlice(const PageRun& run, const Spot& spot, bool thin, uint32_t bits, const SpotArea& area) {
  return run.window != nullptr && spot.picture && !spot.compact && !thin && bits % 8 == 0 &&
         (area.firstRow > 0 || area.lastRow < spot.height || area.firstColumn > 0 || area.lastColumn < spot.width);
}

// Reads that part of the spot's picture into `buffer` as a picture of its
// own, leaving the reader past the whole picture; returns where it lies.
SpotArea FillSpotSlice(DocReader& source, const Spot& spot, uint32_t bits, const SpotArea& area,
                       std::vector<uint8_t>& buffer) {
  const uint64_t size = SpotBytes(spot, bits);
  RequireRawSpot(source, size);
  const uint64_t pixelBytes = bits / 8;
  const uint64_t columnBytes = pixelBytes * spot.height;
  const int64_t columns = area.lastColumn - area.firstColumn;
  const int64_t rows = area.lastRow - area.firstRow;
  const uint64_t sliceBytes = pixelBytes * static_cast<uint64_t>(rows);
  AllocateSpotBuffer(buffer, sliceBytes * static_cast<uint64_t>(columns));
  const int64_t start = ReaderPosition(source);
  ReleaseReader(source);
  DocFile& file = *source.file;
  for (int64_t c = 0; c < columns; ++c) {
    const int64_t at = start + static_cast<int64_t>(columnBytes) * (area.firstColumn + c) +
                       static_cast<int64_t>(pixelBytes) * area.firstRow;
    if (SeekDocFile(file, at, kSeekSet) != at ||
        !GatherRead(file, buffer.data() + sliceBytes * static_cast<uint64_t>(c), static_cast<uint32_t>(sliceBytes))) {
      throw DocumentError("Read spot image failed");
    }
  }
  const int64_t end = start + static_cast<int64_t>(size);
  if (SeekDocFile(file, end, kSeekSet) != end || !ResumeReader(source)) throw DocumentError("Read spot image failed");
  return SpotArea{area.left + area.firstColumn, area.baseRow + area.firstRow, static_cast<uint32_t>(columns),
                  static_cast<uint32_t>(rows), 0, columns, 0, rows};
}

// Reads the height and width of a spot: inline from the page's record, or
// from the spot a reference points at. Returns the reader of its picture.
DocReader& ReadSpotSize(PageRun& run, PageReaders& readers, Spot& spot) {
  int32_t heightField = ReadSignedFrom(readers.doc, "Read sBitMapInfoHeader.BMIH.biHeight of spot file Failed");
  DocReader* source = &readers.doc;
  spot.reference = IsReference(heightField);
  if (spot.reference) {
    const int32_t* offsets = run.document.pageOffsets;
    if (heightField < offsets[0] || heightField >= offsets[run.document.pageCount]) {
      throw DocumentError("A spot refers to a place outside the document");
    }
    if (!SeekReader(readers.refs, heightField)) throw DocumentError("Read Height of spot from file failed");
    heightField = ReadSignedFrom(readers.refs, "Read Height of spot from file failed");
    source = &readers.refs;
    ++run.state.counts.references;
  }
  spot.height = HeightOfInline(heightField);
  spot.width = ReadUnsignedFrom(*source, "Read Width of spot from file failed");
  return *source;
}

// Reads escapes until a spot record begins; returns its dx.
int32_t ReadSpotStart(PageState& state, DocReader& doc, const PageGeometry& page, SpotCursor& cursor) {
  for (;;) {
    const int32_t dx = ReadSignedFrom(doc, "Read dx failed");
    if (IsCompactEscape(dx, page.width)) {
      cursor.ink = static_cast<uint32_t>(state.whiteIndex);
      UseQuantScale(state.decoder, ScaleOfCompactEscape(dx, page.width));
      state.compact = true;
    } else if (IsColourEscape(dx, page.width)) {
      cursor.ink = InkOfColourEscape(dx, page.width) & LowBits(page.bits);  // cut to the page's bits
      state.compact = false;
    } else {
      return dx;
    }
  }
}

void ReadAndDrawSpot(PageRun& run, PageReaders& readers, const PageGeometry& page, const PageGeometry& target,
                     SpotCursor& cursor, std::vector<uint8_t>& buffer) {
  PageState& state = run.state;
  if (cursor.drawing) state.ready = false;
  const int32_t dx = ReadSpotStart(state, readers.doc, page, cursor);
  const int32_t dy = ReadSignedFrom(readers.doc, "Read dy of spot file Failed");
  Spot spot{};
  DocReader& source = ReadSpotSize(run, readers, spot);
  spot.picture = cursor.ink == static_cast<uint32_t>(state.whiteIndex);
  spot.compact = spot.picture && state.compact && !IsThumbnail(spot.width, spot.height);
  cursor.y += dy;
  const int64_t left = cursor.x + dx;
  cursor.x = left + spot.width - 1;
  ++state.counts.spots;
  if (spot.picture) ++state.counts.pictures;
  // A spot of no pixels reads and draws nothing.
  if (spot.width != 0 && spot.height != 0) {
    const bool thin = IsThinMask(spot, page.bits);
    const PageWindow* window = run.window;
    const SpotArea area = window == nullptr
                              ? ClipSpot(left, page.height - (cursor.y + 1), spot.width, spot.height, page)
                              : ClipSpot(left - window->left, page.height - (cursor.y + 1) - window->bottomRow,
                                         spot.width, spot.height, target);
    ChargeSpot(spot, area, thin, cursor);
    // Only a raw picture whose pixels are still to be looked at is read whole
    // in the walk that draws nothing.
    // Builds of a window leave the page's counts to ScanPage.
    const bool lookAt = run.window == nullptr && !state.counts.inked && area.Pixels() != 0;
    const bool readsPixels = lookAt && spot.picture && !thin && !spot.compact && page.bits % 8 == 0;
    // A spot outside the window is passed over, as in the walk that draws nothing.
    const bool draws = cursor.drawing && area.Pixels() != 0;
    SpotArea drawn = area;
    if (draws && ReadsSlice(run, spot, thin, page.bits, area)) {
      drawn = FillSpotSlice(source, spot, page.bits, area, buffer);
    } else if (!thin && !(readsPixels && !draws)) {
      FillSpot(state, source, spot, page, draws, buffer);
    }
    if (lookAt) {
      state.counts.inked = SpotInks(source, spot, thin, cursor.ink, page, state.whiteIndex, draws, buffer);
    }
    if (draws) {
      // A thin spot has all its bits set: a mask paints its ink, a 1-bit
      // picture the value 1 unless that is white.
      const uint32_t white = static_cast<uint32_t>(state.whiteIndex);
      if (thin && !spot.picture) FillArea(target, state.bits, area, cursor.ink);
      if (thin && spot.picture && white != 1) FillArea(target, state.bits, area, 1);
      if (!thin && !spot.picture) DrawMask(target, state.bits, area, buffer.data(), cursor.ink);
      if (!thin && spot.picture) DrawPicture(target, state.bits, drawn, buffer.data(), white);
    }
  }
  if (!cursor.drawing) return;
  state.ready = true;
  if (run.host != nullptr) run.host->InvalidatePage();
}

// Reads page `page`'s headers and walks its spot records, drawing them into
// the page bitmap when the run has a host.
void ReadPage(PageRun run, DocFile& hdoc, DocFile& hofs, int32_t page) {
  const DocumentState& document = run.document;
  PageState& state = run.state;
  const bool drawing = run.host != nullptr || run.window != nullptr;
  if (page < 0 || page >= document.pageCount) throw DocumentError("The document has no such page");
  state.ready = false;
  state.compact = false;
  state.counts = PageCounts{};
  PositionAtPage(document, hdoc, page);
  ReadPageHeaders(state, hdoc, true);
  const PageGeometry geometry = CheckPageGeometry(state, true);
  state.whiteIndex = LastEntryOf(state, 0xFF, static_cast<int32_t>(LowBits(geometry.bits)));
  state.blackIndex = LastEntryOf(state, 0x00, 0);
  SpotCursor cursor;
  cursor.ink = static_cast<uint32_t>(state.blackIndex);
  cursor.drawing = drawing;
  const uint64_t size = geometry.stride * static_cast<uint64_t>(geometry.height);
  const uint64_t pixels = static_cast<uint64_t>(geometry.width) * static_cast<uint64_t>(geometry.height);
  const uint64_t byBytes = kDrawAllowance + 2 * size;
  cursor.drawBudget = (kOverdrawFactor * pixels < byBytes ? kOverdrawFactor * pixels : byBytes) + kSpotAllowance;
  PageGeometry target = geometry;
  if (run.window != nullptr) {
    RequireWindowOnPage(*run.window, geometry);
    target = WindowGeometry(*run.window, geometry.bits);
    state.bits = run.window->bits;
    FillWhite(state, target);
  } else if (drawing) {
    FitWindowIfResized(state, *run.host, geometry.width, geometry.height);
    PreparePageBlock(state, *run.host, static_cast<uint32_t>(size), geometry.height);
    FillWhite(state, geometry);
  }
  std::vector<uint8_t> spotBuffer;
  const int64_t end = document.pageOffsets[page + 1];
  state.decoder.pageEnd = end;
  PageReaders readers;
  const bool positioned = StartDocReader(readers.doc, hdoc, end);
  StartDocReader(readers.refs, hofs, end);
  while (positioned && ReaderPosition(readers.doc) < end) {
    ReadAndDrawSpot(run, readers, geometry, target, cursor, spotBuffer);
  }
  // The files are left where the records read end, not where the buffers do.
  ReleaseReader(readers.doc);
  ReleaseReader(readers.refs);
}

}  // namespace

bool CompactPictureFits(uint32_t width, uint32_t height) {
  const uint64_t pixelBytes = (uint64_t{kCompactDepth} * height + 7) / 8 * width;
  return pixelBytes + CompactWorkBytes(height, width) <= kLargestSpotBytes;
}

PageGeometry CheckPageGeometry(const PageState& state, bool documentPage) {
  const BitmapInfoHeader& info = state.info.BMIH;
  if (info.biWidth <= 0 || info.biHeight <= 0) throw DocumentError("The page's width or height is not positive");
  if (info.biBitCount == 0) throw DocumentError("Process failed since BITMAP has 0 bits per pixel");
  if (documentPage && info.biBitCount > kDeepestPage) throw DocumentError("The page has more than 24 bits per pixel");
  PageGeometry page{info.biWidth, info.biHeight, info.biBitCount, RowBytes(info.biBitCount, info.biWidth)};
  if (page.stride * static_cast<uint64_t>(page.height) > kLargestPageBytes) {
    throw DocumentError("The page's bitmap is larger than 2 GiB");
  }
  return page;
}

void StorePixel(uint8_t* buffer, uint64_t bitOffset, uint32_t bitsPerPixel, uint32_t value) {
  if (bitsPerPixel % 8 == 0) {
    uint8_t* at = buffer + bitOffset / 8;
    for (uint32_t i = 0; i < bitsPerPixel / 8; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
    return;
  }
  // Below 8 bits: a big-endian bit string, so a pixel may continue into the next byte.
  for (uint32_t i = 0; i < bitsPerPixel; ++i) {
    uint64_t bit = bitOffset + i;
    uint8_t mask = static_cast<uint8_t>(0x80u >> (bit & 7));
    if ((value >> (bitsPerPixel - 1 - i)) & 1u) buffer[bit >> 3] |= mask;
    else buffer[bit >> 3] &= static_cast<uint8_t>(~mask);
  }
}

uint32_t FetchPixel(const uint8_t* buffer, uint64_t bitOffset, uint32_t bitsPerPixel) {
  uint32_t value = 0;
  if (bitsPerPixel % 8 == 0) {
    const uint8_t* at = buffer + bitOffset / 8;
    for (uint32_t i = 0; i < bitsPerPixel / 8; ++i) value |= uint32_t{at[i]} << (8 * i);
    return value;
  }
  for (uint32_t i = 0; i < bitsPerPixel; ++i) {
    uint64_t bit = bitOffset + i;
    value = (value << 1) | ((buffer[bit >> 3] >> (7 - (bit & 7))) & 1u);
  }
  return value;
}

void ReadPageHeaders(PageState& page, DocFile& file, bool gather) {
  BitmapFileHeader& fileHeader = page.fileHeader;
  BitmapInfoHeader& info = page.info.BMIH;
  if (!Read(file, &fileHeader, sizeof fileHeader, gather)) throw DocumentError("Read BITMAPFILEHEADER Failed");
  if (!Read(file, &info, sizeof info, gather)) throw DocumentError("Read BITMAPINFOHEADER Failed");
  if (fileHeader.bfType != kBitmapType) throw DocumentError("Process failed since it is NOT a BITMAP");
  if (info.biCompression != 0) throw DocumentError("Process failed since BITMAP has compressed format");
  if (info.biPlanes > 1) throw DocumentError("Process failed since BITMAP has more than 1 bit planes");
  if (!CountColors(fileHeader, info, &page.colorCount)) {
    throw DocumentError("The BITMAP colour table has more than 256 entries");
  }
  if (page.colorCount != 0 &&
      !Read(file, page.info.RGBTable, 4 * static_cast<uint32_t>(page.colorCount), gather)) {
    throw DocumentError("Read BITMAP RGB Table Failed");
  }
}

void LoadPage(const DocumentState& document, PageState& page, DocumentHost& host, DocFile& hdoc, DocFile& hofs,
              int32_t index) {
  // The records are walked first, bounded by their bytes: a page that will
  // be refused never costs its bitmap, which its header alone can make huge.
  ReadPage(PageRun{document, page, nullptr, nullptr}, hdoc, hofs, index);
  ReadPage(PageRun{document, page, &host, nullptr}, hdoc, hofs, index);
}

void ScanPage(const DocumentState& document, PageState& page, DocFile& hdoc, DocFile& hofs, int32_t index) {
  ReadPage(PageRun{document, page, nullptr, nullptr}, hdoc, hofs, index);
}

void LoadPageWindow(const DocumentState& document, PageState& page, DocFile& hdoc, DocFile& hofs, int32_t index,
                    const PageWindow& window) {
  ReadPage(PageRun{document, page, nullptr, &window}, hdoc, hofs, index);
}
