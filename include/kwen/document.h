// The document library's public interface: open a document, learn about its
// pages, build them at full size or scaled down. Everything a program needs
// to read documents is here; nothing else of the library is meant to be
// included by its users.
//
// A Document is a shared handle: copies refer to the same open document,
// and any number of threads may build its pages at once. Failures are
// thrown as kwen::Error, whose text is the library's own message.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kwen/error.h"
#include "kwen/text.h"

namespace kwen {

enum class FileKind {
  kPacked,    // a packed document (.kwen), restored as far as it is read
  kUnpacked,  // an unpacked document
  kBitmap,    // a plain BMP picture: a document of one page
};

// What a page is, read from its headers and records without building it.
struct PageInfo {
  int32_t width = 0;
  int32_t height = 0;
  int32_t dotsPerInch = 0;  // 0 when the page does not say
  int32_t bitsPerPixel = 0;
  int32_t colours = 0;  // entries of its colour table
  int32_t spots = 0;
  int32_t references = 0;  // spots drawn from another place in the document
  int32_t pictures = 0;    // spots that are pictures rather than masks of one ink
  int32_t compactPictures = 0;
  bool grey = false;  // every colour it can show is a grey
  bool blank = false;  // no spot shows on its white: the page is white all over
};

enum class PixelFormat {
  kPage,  // as the page stores it: bitsPerPixel bits, indexes into `palette`
          // below 16 bits (packed from the most significant bit), else
          // little-endian values (24 bits: blue, green, red)
  kGrey,  // one byte a pixel
  kRgb,   // red, green, blue bytes
};

// A picture the caller owns: rows top first, `stride` bytes apart.
struct Bitmap {
  PixelFormat format = PixelFormat::kPage;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitsPerPixel = 0;
  int64_t stride = 0;
  std::vector<uint32_t> palette;  // 0xRRGGBB for each index (kPage only)
  std::vector<uint8_t> pixels;

  uint8_t* Row(int32_t y) { return pixels.data() + stride * y; }
  const uint8_t* Row(int32_t y) const { return pixels.data() + stride * y; }
};

// A part of a scaled page, in pixels of the scaled page.
struct Area {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;  // 0: to the right edge
  int32_t height = 0;  // 0: to the bottom
};

enum class Tone {
  kAuto,  // grey for pages of greys only, else RGB
  kGrey,
  kRgb,
};

// The scaled page is round(width x scale) by round(height x scale) pixels
// (at least 1 by 1); each pixel is the average of the page area it covers,
// so that black and white text turns into smooth grey.
struct Scaling {
  double scale = 1;  // above 0 and at most 1
  Area area;         // empty: the whole scaled page
  Tone tone = Tone::kAuto;
};

// The width and height of page `info` at `scale`.
void ScaledSize(const PageInfo& info, double scale, int32_t* width, int32_t* height);

// How far restoring a packed document has come.
enum class RestoreState {
  kGoing,     // more can be restored
  kWhole,     // every page is there
  kTooLarge,  // it restores to more than 2 GiB: the pages past that are missing
  kCutShort,  // the file ends early: the pages past that are missing
  kDamaged,   // the packed data is damaged: the pages past that are missing
};

struct RestoreProgress {
  int64_t restored = 0;  // bytes of the unpacked document there so far
  int64_t total = 0;     // bytes of the whole unpacked document
  int32_t pagesReady = 0;  // pages from the first whose bytes are all there
  RestoreState state = RestoreState::kGoing;
};

struct OpenOptions {
  // A packed document's restored bytes go to a temporary file rather than
  // memory, so that memory does not grow with the document.
  bool restoreToFile = false;
  // Threads one build may use; 0: one for each processor.
  int threads = 0;
  // Told, in the library's words, what is wrong but not refused: a packed
  // stream that ends without its end mark (once). Called on the thread
  // that met it.
  std::function<void(const std::string& text)> warning;
  // Read the file as this kind, whatever its name and bytes say.
  std::optional<FileKind> readAs;
  // The file is still being written by another program: a read of bytes
  // not there yet waits while this returns true (it may wait a little
  // itself), and then takes what was written last.
  std::function<bool()> writerRunning;
};

// A page as the BMP file the viewers export holds it: the headers as the
// document holds them (file header, information header, colour table),
// then `bitsBytes` of rows, the bottom row first, each padded to 4 bytes.
struct PageLayout {
  std::vector<uint8_t> headers;
  uint64_t bitsBytes = 0;
};

class Document {
 public:
  // Opens the file at `path` (its name tells a packed document); only the
  // page table is read. Throws Error for what is not a document.
  static Document Open(const std::string& path, const OpenOptions& options = {});
  // The same for a file's bytes in memory; `name` stands for its file name.
  static Document FromBytes(std::vector<uint8_t> bytes, const std::string& name,
                            const OpenOptions& options = {});

  // A packed document whose bytes arrive over time, as a download's do:
  // `bytes` are those there so far, Arrive() adds the rest, and pages can
  // be read as soon as their part is restored. Throws Error while too
  // little has arrived for the page table (try again with more); other
  // documents open once `complete`, when every byte is there.
  static Document FromArrivingBytes(std::vector<uint8_t> bytes, const std::string& name, bool complete,
                                    const OpenOptions& options = {});
  // More of an arriving document's bytes; `complete` when they are the
  // last. Not to be called while another thread restores or builds.
  void Arrive(const uint8_t* bytes, size_t count, bool complete);

  FileKind Kind() const;
  int32_t PageCount() const;

  // Restores a packed document until `bytes` of it are there (or it ends);
  // pages whose bytes are there can be read while the rest is restored.
  // Building a page restores what it needs by itself.
  RestoreProgress Restore(int64_t bytes);
  RestoreProgress Progress() const;

  // Page `index` (from 0): facts, a full-size build, a scaled build.
  PageInfo Page(int32_t index) const;
  void BuildPage(int32_t index, Bitmap& into) const;
  Bitmap BuildPage(int32_t index) const;
  void BuildScaled(int32_t index, const Scaling& scaling, Bitmap& into) const;
  Bitmap BuildScaled(int32_t index, const Scaling& scaling) const;
  // Page `index` as the uncompressed BMP file the viewers export (its
  // layout, then its bits), whole or in its two parts; `bits` is the
  // caller's, of the layout's bitsBytes.
  std::vector<uint8_t> PageAsBmp(int32_t index) const;
  PageLayout Layout(int32_t index) const;
  void BuildPageBits(int32_t index, uint8_t* bits, uint64_t size) const;

  // The text stored after the last page: title, outline and the pages'
  // words (a packed document is restored to its end first). Empty when the
  // document has none. Throws Error when it is damaged; the pages still
  // open and build as ever.
  DocumentText Text() const;
  // The unpacked document: its pages, then its stored text, byte for byte
  // (a packed one restored as `durmo x` restores it).
  std::vector<uint8_t> Unpacked() const;

  struct Shared;

 private:
  explicit Document(std::shared_ptr<Shared> shared);
  std::shared_ptr<Shared> shared_;
};

}  // namespace kwen
