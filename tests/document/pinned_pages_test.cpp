// Page building, pinned: a generated document of varied pages (masks in
// every depth, raw and compact-coded pictures, thumbnails, thin and empty
// spots, references within and across pages, escapes at the edges of dx,
// spots off every edge) must build into exactly the bitmaps these digests
// were made from, whether it is read from memory or from a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <string>
// The Windows tool chain's C++ library has no threads: the test of threads
// runs natively.
#if !defined(_WIN32)
#include <thread>
#endif

#include "tests/sha256.h"
#include "tests/document/document_builder.h"
#include "tests/document/pinned_document.h"
#include "tests/document/test_host.h"
#include "document/document_format.h"
#include "document/document_state.h"
#include "document/page_loader.h"
#include "document/page_state.h"
#include "engine/memory_pack.h"
#include "kwen/document.h"

using namespace testing_support;

namespace {

struct PinnedDigest {
  const char* key;  // "page N: W x H x B"
  const char* sha256;
};

const PinnedDigest kPinned[] = {
#include "tests/document/pinned_pages_digests.inc"
};

// A document opened twice, as the loader reads it: `hdoc` for the page's
// records, `hofs` for the spots they refer to.
struct Handles {
  DocFile hdoc, hofs;
};

// The digest of the page bitmap as built.
std::string LoadAndDigest(Handles& handles, int32_t page) {
  ResetHost();
  SeekDocFile(handles.hdoc, 0, kSeekSet);
  ReadDocumentTable(Session().document, Session().host, handles.hdoc);
  Session().document.currentPage = page;
  LoadPage(Session().document, Session().page, Session().host, handles.hdoc, handles.hofs, page);
  return Sha256Hex(Session().page.bits, static_cast<size_t>(Session().page.bitsBytes));
}

TEST(PinnedPages, EveryPageBuildsAsBefore) {
  std::map<std::string, std::string> pinned;
  for (const PinnedDigest& entry : kPinned) pinned[entry.key] = entry.sha256;
  ASSERT_EQ(pinned.size(), std::size(kPinned)) << "a key is pinned twice";
  const Bytes document = MakePinnedDocument();
  const std::string path = TempPath("pinned.kwen.bs");
  WriteFileBytes(path, document);
  Handles inMemory, inFile;
  for (DocFile* file : {&inMemory.hdoc, &inMemory.hofs}) {
    OpenMemoryDocFile(*file, document.data(), static_cast<int64_t>(document.size()));
  }
  for (DocFile* file : {&inFile.hdoc, &inFile.hofs}) ASSERT_TRUE(OpenDocFile(*file, path.c_str()));
  int32_t page = 0;
  for (; page == 0 || page < Session().document.pageCount; ++page) {
    const std::string digest = LoadAndDigest(inMemory, page);
    const BitmapInfoHeader& info = Session().page.info.BMIH;
    const std::string key = "page " + std::to_string(page + 1) + ": " + std::to_string(info.biWidth) + " x " +
                            std::to_string(info.biHeight) + " x " + std::to_string(info.biBitCount);
    EXPECT_TRUE(Session().page.ready) << key;
    auto found = pinned.find(key);
    if (found == pinned.end()) ADD_FAILURE() << "no pinned digest: {\"" << key << "\", \"" << digest << "\"},";
    else EXPECT_EQ(found->second, digest) << key;
    EXPECT_EQ(LoadAndDigest(inFile, page), digest) << key << " read from a file";
  }
  EXPECT_EQ(static_cast<size_t>(page), pinned.size());
  CloseDocFile(inFile.hdoc);
  CloseDocFile(inFile.hofs);
}

// The page `index` of `table` built whole by the loader.
std::vector<uint8_t> WholePage(const DocumentState& table, DocFile& hdoc, DocFile& hofs, int32_t index,
                               PageState& page) {
  HeapPageHost host;
  LoadPage(table, page, host, hdoc, hofs, index);
  return std::vector<uint8_t>(page.bits, page.bits + page.bitsBytes);
}

// Windows of a page drawn alone hold the pixels of the whole page there:
// windows at each edge, one pixel wide or high, and past none of them.
TEST(PinnedPages, WindowsHoldTheWholePagesPixels) {
  const Bytes document = MakePinnedDocument();
  DocumentState table;
  HeapPageHost host;
  DocFile hdoc, hofs;
  OpenMemoryDocFile(hdoc, document.data(), static_cast<int64_t>(document.size()));
  OpenMemoryDocFile(hofs, document.data(), static_cast<int64_t>(document.size()));
  ReadDocumentTable(table, host, hdoc);
  for (int32_t index = 0; index < table.pageCount; ++index) {
    PageState page;
    const std::vector<uint8_t> whole = WholePage(table, hdoc, hofs, index, page);
    const PageGeometry geometry = CheckPageGeometry(page, true);
    const int32_t w = geometry.width, h = geometry.height;
    const PageWindow windows[] = {{0, 0, w, h, nullptr},         {0, 0, 1, 1, nullptr},
                                  {w - 1, h - 1, 1, 1, nullptr}, {w / 3, h / 2, (w + 1) / 2, 1, nullptr},
                                  {1, h / 3, w - 1, h - h / 3, nullptr}, {w / 2, 0, w - w / 2, h / 2 + 1, nullptr}};
    for (PageWindow window : windows) {
      if (window.width == 0) continue;  // a page one pixel wide has no window past its first column
      const uint64_t stride = RowBytes(geometry.bits, static_cast<uint32_t>(window.width));
      std::vector<uint8_t> bits(stride * static_cast<uint64_t>(window.rows), 0xA5);
      window.bits = bits.data();
      PageState own;
      LoadPageWindow(table, own, hdoc, hofs, index, window);
      int32_t differing = 0;
      for (int32_t row = 0; row < window.rows; ++row) {
        for (int32_t column = 0; column < window.width; ++column) {
          const uint64_t at = geometry.stride * static_cast<uint64_t>(window.bottomRow + row) * 8 +
                              uint64_t{geometry.bits} * static_cast<uint64_t>(window.left + column);
          const uint64_t mine = stride * static_cast<uint64_t>(row) * 8 + uint64_t{geometry.bits} * column;
          differing += FetchPixel(whole.data(), at, geometry.bits) != FetchPixel(bits.data(), mine, geometry.bits);
        }
      }
      EXPECT_EQ(differing, 0) << "page " << index + 1 << ", window at " << window.left << "," << window.bottomRow
                              << " of " << window.width << " x " << window.rows;
    }
  }
}

// The digest of page `index` built through the public interface, its rows
// put back bottom first as the loader leaves them.
std::string InterfaceDigest(const kwen::Document& document, int32_t index) {
  kwen::Bitmap bitmap = document.BuildPage(index);
  std::vector<uint8_t> bottomUp;
  for (int32_t y = bitmap.height - 1; y >= 0; --y) {
    bottomUp.insert(bottomUp.end(), bitmap.Row(y), bitmap.Row(y) + bitmap.stride);
  }
  return Sha256Hex(bottomUp.data(), bottomUp.size());
}

// The public interface builds the pinned pages, from the document's bytes,
// from the packed document restored in memory or into a file, on one
// thread or several.
TEST(PinnedPages, InterfaceBuildsThePinnedPages) {
  const Bytes document = MakePinnedDocument();
  std::vector<std::string> expected;
  for (const PinnedDigest& entry : kPinned) expected.push_back(entry.sha256);
  const Bytes packed = PackBytes(document.data(), document.size(), Switches{});
  struct Case {
    const Bytes* bytes;
    const char* name;
    bool toFile;
    int threads;
  } cases[] = {{&document, "pinned.bs", false, 1}, {&packed, "pinned.kwen", false, 3}, {&packed, "pinned.kwen", true, 2}};
  for (const Case& c : cases) {
    kwen::OpenOptions options;
    options.restoreToFile = c.toFile;
    options.threads = c.threads;
    const kwen::Document opened = kwen::Document::FromBytes(*c.bytes, c.name, options);
    ASSERT_EQ(static_cast<size_t>(opened.PageCount()), expected.size()) << c.name;
    // Backwards: each page restores what it needs.
    for (int32_t index = opened.PageCount() - 1; index >= 0; --index) {
      EXPECT_EQ(InterfaceDigest(opened, index), expected[static_cast<size_t>(index)])
          << c.name << " page " << index + 1 << (c.toFile ? " restored into a file" : "");
    }
    EXPECT_EQ(opened.Progress().state, kwen::RestoreState::kWhole) << c.name;
  }
}

// A page averaged by hand: every output pixel the mean of the page area it
// covers, in doubles, from the full-size build's greys.
std::vector<double> AveragedByHand(const kwen::Bitmap& page, int32_t width, int32_t height) {
  std::vector<double> out(static_cast<size_t>(width) * height, 0.0);
  const double across = static_cast<double>(page.width) / width, down = static_cast<double>(page.height) / height;
  for (int32_t y = 0; y < page.height; ++y) {
    for (int32_t x = 0; x < page.width; ++x) {
      const uint32_t index = FetchPixel(page.Row(y), uint64_t{static_cast<uint32_t>(page.bitsPerPixel)} * x,
                                        static_cast<uint32_t>(page.bitsPerPixel));
      const uint32_t colour = index < page.palette.size() ? page.palette[index] : 0;
      const double grey = ((colour >> 16) * 299 + ((colour >> 8) & 0xFF) * 587 + (colour & 0xFF) * 114) / 1000.0;
      // The page pixel's share of each output pixel it overlaps.
      for (int32_t oy = static_cast<int32_t>(y / down); oy < height && oy * down < y + 1; ++oy) {
        const double rows = std::min<double>(y + 1, (oy + 1) * down) - std::max<double>(y, oy * down);
        for (int32_t ox = static_cast<int32_t>(x / across); ox < width && ox * across < x + 1; ++ox) {
          const double columns = std::min<double>(x + 1, (ox + 1) * across) - std::max<double>(x, ox * across);
          out[static_cast<size_t>(oy) * width + ox] += grey * rows * columns / (across * down);
        }
      }
    }
  }
  return out;
}

// Scaled builds are the area average of the page, and a part of a scaled
// page is that part of the whole.
TEST(PinnedPages, ScaledBuildsAverageThePage) {
  const Bytes document = MakePinnedDocument();
  const kwen::Document opened = kwen::Document::FromBytes(document, "pinned.bs");
  for (int32_t index = 0; index < opened.PageCount(); ++index) {
    const kwen::PageInfo info = opened.Page(index);
    if (info.bitsPerPixel > 8) continue;  // greys by hand from the colour table only
    const kwen::Bitmap page = opened.BuildPage(index);
    for (double scale : {1.0, 0.5, 0.3, 0.01}) {
      kwen::Scaling scaling;
      scaling.scale = scale;
      scaling.tone = kwen::Tone::kGrey;
      const kwen::Bitmap scaled = opened.BuildScaled(index, scaling);
      const std::vector<double> byHand = AveragedByHand(page, scaled.width, scaled.height);
      int32_t off = 0;
      for (int32_t y = 0; y < scaled.height; ++y) {
        for (int32_t x = 0; x < scaled.width; ++x) {
          off += std::abs(scaled.Row(y)[x] - byHand[static_cast<size_t>(y) * scaled.width + x]) > 1.0;
        }
      }
      EXPECT_EQ(off, 0) << "page " << index + 1 << " at scale " << scale;
      scaling.area = {scaled.width / 3, scaled.height / 2, scaled.width - scaled.width / 3, (scaled.height + 1) / 2};
      const kwen::Bitmap part = opened.BuildScaled(index, scaling);
      for (int32_t y = 0; y < part.height; ++y) {
        ASSERT_EQ(0, std::memcmp(part.Row(y), scaled.Row(y + scaling.area.top) + scaling.area.left,
                                 static_cast<size_t>(part.width)))
            << "page " << index + 1 << " at scale " << scale << ", row " << y;
      }
    }
  }
  kwen::Scaling outside;
  outside.area = {0, 0, 10000, 1};
  EXPECT_THROW(opened.BuildScaled(0, outside), kwen::Error);
  outside = kwen::Scaling{};
  outside.scale = 1.5;
  EXPECT_THROW(opened.BuildScaled(0, outside), kwen::Error);
}

// A packed document that arrives in pieces, as a download does: the page
// table opens once it is there, pages are ready before the last byte, and
// each builds as from the whole file; a download that stops early leaves
// the pages before the cut.
TEST(PinnedPages, ArrivingDocumentsReadAsTheyCome) {
  constexpr int32_t kPages = 8;
  const Bytes document = MakeTextDocument(std::vector<std::pair<int32_t, int32_t>>(kPages, {1200, 900}));
  const Bytes packed = PackBytes(document.data(), document.size(), Switches{});
  const kwen::Document whole = kwen::Document::FromBytes(document, "whole.bs");
  struct Case {
    size_t piece;
    size_t arrived;  // bytes that come at all
  } cases[] = {{997, packed.size()}, {1, packed.size()}, {5000, packed.size()}, {4096, packed.size() * 3 / 4}};
  for (const Case& c : cases) {
    std::optional<kwen::Document> opened;
    int32_t readyBeforeLast = 0, checked = 0;
    for (size_t at = 0; at < c.arrived;) {
      const size_t count = std::min(c.piece, c.arrived - at);
      const bool complete = at + count == c.arrived;
      if (opened) {
        opened->Arrive(packed.data() + at, count, complete);
      } else {
        try {
          opened = kwen::Document::FromArrivingBytes(Bytes(packed.begin(), packed.begin() + at + count), "a.kwen", complete);
        } catch (const kwen::Error&) {
          ASSERT_FALSE(complete) << "piece " << c.piece;
        }
      }
      at += count;
      if (!opened) continue;
      const kwen::RestoreProgress progress = opened->Restore(INT64_MAX);
      if (!complete) readyBeforeLast = progress.pagesReady;
      for (; checked < progress.pagesReady; ++checked) {
        ASSERT_EQ(InterfaceDigest(*opened, checked), InterfaceDigest(whole, checked)) << "piece " << c.piece;
      }
    }
    ASSERT_TRUE(opened) << "piece " << c.piece;
    EXPECT_GT(readyBeforeLast, 0) << "piece " << c.piece;
    const kwen::RestoreProgress end = opened->Restore(INT64_MAX);
    if (c.arrived == packed.size()) {
      EXPECT_EQ(end.state, kwen::RestoreState::kWhole);
      EXPECT_EQ(end.pagesReady, kPages);
    } else {
      EXPECT_EQ(end.state, kwen::RestoreState::kCutShort);
      EXPECT_LT(end.pagesReady, kPages);
    }
  }
  EXPECT_THROW(kwen::Document::FromArrivingBytes(document, "whole.bs", false), kwen::Error);
  // Only a document opened arriving takes more bytes, and none after its last.
  kwen::Document done = kwen::Document::FromArrivingBytes(packed, "done.kwen", false);
  done.Arrive(nullptr, 0, true);
  EXPECT_THROW(done.Arrive(packed.data(), 1, true), kwen::Error);
  kwen::Document fromBytes = kwen::Document::FromBytes(packed, "packed.kwen");
  EXPECT_THROW(fromBytes.Arrive(packed.data(), 1, false), kwen::Error);
  EXPECT_EQ(fromBytes.Restore(INT64_MAX).state, kwen::RestoreState::kWhole);
}

#if !defined(_WIN32)
// Threads building pages of one document, and of two, through the public
// interface give the bytes one thread gives (run under ThreadSanitizer by
// scripts/run-tests.sh); so do pages large enough to be built in bands on
// several threads.
TEST(PinnedPages, ThreadsBuildTheSameBytes) {
  const Bytes large = MakeTextDocument({{1400, 900}, {900, 1300}});
  for (const Bytes& document : {MakePinnedDocument(), large}) {
    const Bytes packed = PackBytes(document.data(), document.size(), Switches{});
    kwen::OpenOptions options;
    options.threads = 1;
    const kwen::Document alone = kwen::Document::FromBytes(document, "alone.bs", options);
    options.threads = 2;
    const kwen::Document shared = kwen::Document::FromBytes(packed, "one.kwen", options);
    const kwen::Document other = kwen::Document::FromBytes(packed, "two.kwen", options);
    auto digests = [](const kwen::Document& opened, bool backwards) {
      std::vector<std::string> result(static_cast<size_t>(opened.PageCount()));
      for (int32_t k = 0; k < opened.PageCount(); ++k) {
        const int32_t index = backwards ? opened.PageCount() - 1 - k : k;
        std::string& digest = result[static_cast<size_t>(index)];
        digest = InterfaceDigest(opened, index);
        if (opened.Page(index).bitsPerPixel > 8) continue;
        kwen::Scaling scaling;
        scaling.scale = 0.45;
        const kwen::Bitmap scaled = opened.BuildScaled(index, scaling);
        digest += Sha256Hex(scaled.pixels.data(), scaled.pixels.size());
      }
      return result;
    };
    const std::vector<std::string> expected = digests(alone, false);
    std::vector<std::string> results[3];
    std::thread first([&] { results[0] = digests(shared, false); });
    std::thread second([&] { results[1] = digests(shared, true); });
    std::thread third([&] { results[2] = digests(other, true); });
    first.join();
    second.join();
    third.join();
    for (const std::vector<std::string>& result : results) EXPECT_EQ(result, expected);
  }
}
#endif

}  // namespace
