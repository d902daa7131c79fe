#include <algorithm>
#include <utility>

#include "document/bmp_reader.h"
#include "document/document_format.h"
#include "document/document_kind.h"
#include "document/host.h"
#include "document/page_loader.h"
#include "library/document_shared.h"
#include "library/file_kind.h"
#include "library/file_store.h"
#include "library/parallel.h"

namespace kwen {

namespace {

constexpr double kInchesPerMeter = 0.0254;
constexpr size_t kHeadBytes = 64;
constexpr int32_t kLargestDotsPerInch = 100000;

std::string NotADocument(const std::string& name) {
  return name + " is not a kwen document or a BMP picture";
}

void ReadTable(Document::Shared& shared) {
  if (shared.kind == FileKind::kBitmap) {
    shared.table.pageCount = 1;
    return;
  }
  HeapPageHost host;
  DocFile hdoc;
  OpenStoreDocFile(hdoc, *shared.store);
  ReadDocumentTable(shared.table, host, hdoc);
  shared.documentBytes = shared.table.pageOffsets[shared.table.pageCount];
  // Nothing past the last page is ever restored.
  if (shared.restore != nullptr) shared.restore->SetEnd(shared.documentBytes);
}

int Threads(const OpenOptions& options) { return options.threads > 0 ? options.threads : ProcessorCount(); }

::FileKind InternalKind(FileKind kind) {
  switch (kind) {
    case FileKind::kPacked: return ::FileKind::kPacked;
    case FileKind::kUnpacked: return ::FileKind::kUnpacked;
    case FileKind::kBitmap: break;
  }
  return ::FileKind::kBitmap;
}

std::shared_ptr<Document::Shared> NewShared(const std::string& name, ::FileKind kind, const OpenOptions& options) {
  if (kind == ::FileKind::kOther) throw Error(NotADocument(name));
  auto shared = std::make_shared<Document::Shared>();
  shared->name = name;
  shared->threads = Threads(options);
  shared->kind = kind == ::FileKind::kPacked     ? FileKind::kPacked
                 : kind == ::FileKind::kUnpacked ? FileKind::kUnpacked
                                                 : FileKind::kBitmap;
  return shared;
}

// A packed document's bytes go to a restore; the others are read as they are.
void StoreBytes(Document::Shared& shared, std::shared_ptr<SourceBytes> bytes, const OpenOptions& options,
                bool arriving = false) {
  if (shared.kind != FileKind::kPacked) {
    shared.store = std::make_unique<MemoryStore>(std::move(bytes));
    return;
  }
  auto restore = std::make_unique<RestoreStore>(std::move(bytes), options.restoreToFile, arriving, options.warning);
  shared.restore = restore.get();
  shared.store = std::move(restore);
}

// The kind of a file that is not known packed by its name, from its first bytes.
::FileKind KindOfStore(const std::string& path, ByteStore& store) {
  uint8_t head[kHeadBytes];
  const int64_t there = std::min<int64_t>(store.Reach(kHeadBytes), kHeadBytes);
  if (there > 0 && !store.ReadAt(0, head, static_cast<uint32_t>(there))) {
    throw Error(path + " cannot be read: a read failed");
  }
  return RecogniseFile(path.c_str(), head, there);
}

// Whether the page's white, what it starts as, shows as white.
bool WhiteShowsWhite(const PageState& page) {
  constexpr uint32_t kTableBits = 8, kTrueColourBits = 24, kWhite = 0xFFFFFF;
  const uint32_t bits = page.info.BMIH.biBitCount;
  if (bits == kTrueColourBits) return (static_cast<uint32_t>(page.whiteIndex) & kWhite) == kWhite;
  if (bits > kTableBits || page.whiteIndex < 0 || page.whiteIndex >= page.colorCount) return false;
  const RgbQuad& entry = page.info.RGBTable[page.whiteIndex];
  return entry.rgbRed == 0xFF && entry.rgbGreen == 0xFF && entry.rgbBlue == 0xFF;
}

}  // namespace

Document::Document(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}

Document Document::Open(const std::string& path, const OpenOptions& options) {
  const bool packed = options.readAs ? *options.readAs == FileKind::kPacked : IsPackedDocumentName(path.c_str());
  std::shared_ptr<Shared> shared;
  if (packed) {
    shared = NewShared(path, ::FileKind::kPacked, options);
    StoreBytes(*shared, std::make_shared<SourceBytes>(path), options);
  } else {
    std::unique_ptr<ByteStore> store = OpenFileStore(path, options.writerRunning);
    shared = NewShared(path, options.readAs ? InternalKind(*options.readAs) : KindOfStore(path, *store), options);
    shared->store = std::move(store);
  }
  ReadTable(*shared);
  return Document(std::move(shared));
}

Document Document::FromBytes(std::vector<uint8_t> bytes, const std::string& name, const OpenOptions& options) {
  auto source = std::make_shared<SourceBytes>(std::move(bytes));
  const ::FileKind kind =
      options.readAs ? InternalKind(*options.readAs) : RecogniseFile(name.c_str(), source->Data(), source->Size());
  std::shared_ptr<Shared> shared = NewShared(name, kind, options);
  StoreBytes(*shared, std::move(source), options);
  ReadTable(*shared);
  return Document(std::move(shared));
}

Document Document::FromArrivingBytes(std::vector<uint8_t> bytes, const std::string& name, bool complete,
                                     const OpenOptions& options) {
  if (complete) return FromBytes(std::move(bytes), name, options);
  auto source = std::make_shared<SourceBytes>(std::move(bytes));
  const ::FileKind kind =
      options.readAs ? InternalKind(*options.readAs) : RecogniseFile(name.c_str(), source->Data(), source->Size());
  if (kind != ::FileKind::kPacked) throw Error(name + " is read once the whole of it has arrived");
  std::shared_ptr<Shared> shared = NewShared(name, kind, options);
  StoreBytes(*shared, std::move(source), options, true);
  shared->arriving = true;
  ReadTable(*shared);
  return Document(std::move(shared));
}

void Document::Arrive(const uint8_t* bytes, size_t count, bool complete) {
  if (!shared_->arriving) throw Error("Only a document opened from arriving bytes takes more, until the last");
  shared_->restore->Arrive(bytes, count, complete);
  if (complete) shared_->arriving = false;
}

FileKind Document::Kind() const { return shared_->kind; }

int32_t Document::PageCount() const { return shared_->table.pageCount; }

RestoreProgress Document::Restore(int64_t bytes) {
  if (shared_->restore != nullptr) shared_->store->Reach(std::min(bytes, shared_->documentBytes));
  return Progress();
}

RestoreProgress Document::Progress() const {
  const Shared& shared = *shared_;
  RestoreProgress progress;
  if (shared.restore == nullptr) {
    progress.restored = progress.total = shared.documentBytes;
    progress.pagesReady = shared.table.pageCount;
    progress.state = RestoreState::kWhole;
    return progress;
  }
  progress.restored = std::min(shared.restore->Restored(), shared.documentBytes);
  progress.total = shared.documentBytes;
  while (progress.pagesReady < shared.table.pageCount &&
         shared.table.pageOffsets[progress.pagesReady + 1] <= progress.restored) {
    ++progress.pagesReady;
  }
  switch (shared.restore->Ending()) {
    case RestoreEnd::kGoing: progress.state = RestoreState::kGoing; break;
    case RestoreEnd::kWhole: progress.state = RestoreState::kWhole; break;
    case RestoreEnd::kTooLarge: progress.state = RestoreState::kTooLarge; break;
    case RestoreEnd::kCutShort: progress.state = RestoreState::kCutShort; break;
    case RestoreEnd::kDamaged: progress.state = RestoreState::kDamaged; break;
  }
  return progress;
}

void ReadPageFacts(const Document::Shared& shared, int32_t index, PageState& page, DocFile& hdoc, DocFile& hofs) {
  if (index < 0 || index >= shared.table.pageCount) throw Error("The document has no such page");
  OpenStoreDocFile(hdoc, *shared.store);
  OpenStoreDocFile(hofs, *shared.store);
  if (shared.kind == FileKind::kBitmap) {
    ReadBmpHeaders(page, hdoc, shared.name.c_str());
    return;
  }
  ScanPage(shared.table, page, hdoc, hofs, index);
}

const RgbQuad* ColourTable(const PageState& page, int32_t* colours) {
  const BitmapInfoHeader& info = page.info.BMIH;
  int32_t headerEntries = 0;
  if (info.biSize > sizeof(BitmapInfoHeader) && info.biSize <= kLongestInfoHeader) {
    headerEntries = static_cast<int32_t>((info.biSize - sizeof(BitmapInfoHeader)) / sizeof(RgbQuad));
  }
  *colours = page.colorCount > headerEntries ? page.colorCount - headerEntries : 0;
  return page.info.RGBTable + headerEntries;
}

PageInfo Document::Page(int32_t index) const {
  PageState page;
  DocFile hdoc, hofs;
  ReadPageFacts(*shared_, index, page, hdoc, hofs);
  const BitmapInfoHeader& header = page.info.BMIH;
  PageInfo info;
  info.width = header.biWidth;
  info.height = header.biHeight;
  const double dpi = header.biXPelsPerMeter * kInchesPerMeter;
  info.dotsPerInch = dpi >= 1 && dpi < kLargestDotsPerInch ? static_cast<int32_t>(dpi + 0.5) : 0;
  info.bitsPerPixel = header.biBitCount;
  const RgbQuad* table = ColourTable(page, &info.colours);
  info.grey = header.biBitCount <= 8;
  for (int32_t i = 0; i < (1 << std::min<int>(header.biBitCount, 8)) && info.grey; ++i) {
    const RgbQuad colour = i < info.colours ? table[i] : RgbQuad{0, 0, 0, 0};
    info.grey = colour.rgbRed == colour.rgbGreen && colour.rgbGreen == colour.rgbBlue;
  }
  info.blank = shared_->kind != FileKind::kBitmap && !page.counts.inked && WhiteShowsWhite(page);
  info.spots = page.counts.spots;
  info.references = page.counts.references;
  info.pictures = page.counts.pictures;
  info.compactPictures = page.counts.compactPictures;
  return info;
}

void ScaledSize(const PageInfo& info, double scale, int32_t* width, int32_t* height) {
  auto scaled = [scale](int32_t length) {
    const double wanted = static_cast<double>(length) * scale + 0.5;
    return static_cast<int32_t>(std::clamp(wanted, 1.0, static_cast<double>(length)));
  };
  *width = scaled(info.width);
  *height = scaled(info.height);
}

}  // namespace kwen
