// Makes the reader benchmark's two largest inputs (bench/reader-bench.sh):
//
//   make_reader_bench_documents pages FOLDER COUNT
//     COUNT colour pages of 2550 x 3300 (300 dpi) as PPM images, page-01.ppm
//     on: a noise-free gradient over the whole sheet, each page its own
//     colours, under dense lines of dark letter-like shapes and a coloured
//     figure. Nothing is white, so kwentool build keeps every pixel as a
//     lossless picture: about 25 MB of document a page.
//   make_reader_bench_documents big-page OUT.kwen
//     one black and white page of 131040 x 131040 dots, whose bitmap is just
//     under the 2 GiB a page may take, carrying a few paragraphs of
//     letter-like masks; packed as durmo a packs. No image that size is
//     needed: the document is written directly.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/memory_pack.h"
#include "engine/output_file.h"
#include "tests/document/document_builder.h"

using testing_support::Bytes;

namespace {

constexpr int32_t kPageWidth = 2550;
constexpr int32_t kPageHeight = 3300;
constexpr int32_t kMargin = 150;
constexpr int32_t kGlyph = 28;       // letter box side on the colour pages
constexpr int32_t kLineStep = 48;
constexpr int kGlyphKinds = 16;
constexpr int kLargestPageCount = 999;

constexpr int32_t kBigSide = 131040;  // a multiple of 32: rows of 16380 bytes, 2,146,435,200 in all
constexpr int32_t kParagraphWidth = 8192;
constexpr int32_t kParagraphHeight = 4096;
constexpr int kParagraphsAcross = 3;

// Letter-like: a stem and strokes at slopes that differ by kind.
bool GlyphInk(int kind, int32_t x, int32_t y, int32_t side) {
  const int32_t cell = side / 7;
  const int32_t cx = x / cell, cy = y / cell;
  return (cx * (kind + 3) + cy * (kind + 1)) % 7 < 2 || cx == kind % 5 + 1;
}

uint32_t NextSerial(uint32_t serial) { return serial * 1103515245u + 12345u; }

struct Rgb {
  uint8_t r, g, b;
};

uint8_t Mix(uint8_t from, uint8_t to, int64_t step, int64_t steps) {
  return static_cast<uint8_t>(from + (static_cast<int64_t>(to) - from) * step / steps);
}

void Fill(Bytes& pixels, int32_t x, int32_t y, Rgb colour) {
  const size_t at = (static_cast<size_t>(y) * kPageWidth + static_cast<size_t>(x)) * 3;
  pixels[at] = colour.r, pixels[at + 1] = colour.g, pixels[at + 2] = colour.b;
}

// Page `number`'s pixels, top row first, as PPM holds them.
Bytes ColourPage(int number) {
  const Rgb from{static_cast<uint8_t>(230 - number * 5 % 60), 235, static_cast<uint8_t>(200 + number * 7 % 50)};
  const Rgb to{250, static_cast<uint8_t>(210 + number * 3 % 40), 225};
  const int64_t steps = int64_t{kPageWidth} + kPageHeight;
  Bytes pixels(static_cast<size_t>(kPageWidth) * kPageHeight * 3);
  for (int32_t y = 0; y < kPageHeight; ++y) {
    for (int32_t x = 0; x < kPageWidth; ++x) {
      const int64_t at = int64_t{x} + y;
      Fill(pixels, x, y, {Mix(from.r, to.r, at, steps), Mix(from.g, to.g, at, steps), Mix(from.b, to.b, at, steps)});
    }
  }
  // The figure: a band of colour shading across, in the upper third.
  const int32_t figureTop = kMargin + 200, figureBottom = kPageHeight / 3;
  for (int32_t y = figureTop; y < figureBottom; ++y) {
    for (int32_t x = kMargin; x < kPageWidth - kMargin; ++x) {
      Fill(pixels, x, y, {Mix(40, 220, x, kPageWidth), Mix(90, 30, y - figureTop, figureBottom - figureTop),
                          static_cast<uint8_t>(120 + number * 11 % 100)});
    }
  }
  uint32_t serial = static_cast<uint32_t>(number);
  for (int32_t line = figureBottom + kLineStep; line + kGlyph < kPageHeight - kMargin; line += kLineStep) {
    for (int32_t left = kMargin; left + kGlyph < kPageWidth - kMargin; left += kGlyph + 6) {
      serial = NextSerial(serial);
      const int kind = static_cast<int>((serial >> 16) % kGlyphKinds);
      for (int32_t y = 0; y < kGlyph; ++y) {
        for (int32_t x = 0; x < kGlyph; ++x) {
          if (GlyphInk(kind, x, y, kGlyph)) Fill(pixels, left + x, line + y, {20, 24, 60});
        }
      }
    }
  }
  return pixels;
}

bool WritePages(const std::string& folder, int count) {
  const std::string header = "P6\n" + std::to_string(kPageWidth) + " " + std::to_string(kPageHeight) + "\n255\n";
  for (int number = 1; number <= count; ++number) {
    const Bytes pixels = ColourPage(number);
    char name[32];
    std::snprintf(name, sizeof name, "/page-%02d.ppm", number);
    std::string error;
    if (!WriteWholeFile(folder + name, {{header.data(), header.size()}, {pixels.data(), pixels.size()}}, error)) {
      std::fprintf(stderr, "make_reader_bench_documents: %s\n", error.c_str());
      return false;
    }
  }
  return true;
}

// A paragraph mask, rows bottom first: lines of letters of `glyph` dots.
Bytes Paragraph(int32_t glyph, uint32_t seed) {
  constexpr size_t kRowBytes = kParagraphWidth / 8;
  Bytes mask(kRowBytes * kParagraphHeight, 0);
  uint32_t serial = seed;
  for (int32_t line = 0; line + glyph <= kParagraphHeight; line += glyph * 3 / 2) {
    for (int32_t left = 0; left + glyph <= kParagraphWidth; left += glyph + glyph / 4) {
      serial = NextSerial(serial);
      const int kind = static_cast<int>((serial >> 16) % kGlyphKinds);
      for (int32_t y = 0; y < glyph; ++y) {
        const size_t row = static_cast<size_t>(kParagraphHeight - 1 - (line + y)) * kRowBytes;
        for (int32_t x = 0; x < glyph; ++x) {
          const size_t dot = static_cast<size_t>(left + x);
          if (GlyphInk(kind, x, y, glyph)) mask[row + dot / 8] |= static_cast<uint8_t>(0x80 >> (dot % 8));
        }
      }
    }
  }
  return mask;
}

// Paragraphs in a grid, letters from 16 to 512 dots: the large ones still
// show at a width of a thousand pixels, the small ones only zoomed in.
Bytes BigPageDocument() {
  testing_support::PageWriter page(kBigSide, kBigSide, 1, testing_support::BlackWhite());
  const int32_t step = kBigSide / kParagraphsAcross;
  int32_t lastX = 0, lastY = 0;  // each spot is placed relative to the one before
  int32_t glyph = 16;
  for (int row = 0; row < kParagraphsAcross; ++row) {
    for (int column = 0; column < kParagraphsAcross; ++column, glyph = glyph * 3 / 2 > 512 ? 16 : glyph * 3 / 2) {
      const int32_t left = column * step + (step - kParagraphWidth) / 2;
      const int32_t bottom = row * step + (step + kParagraphHeight) / 2;
      page.Inline(left - lastX, bottom - lastY, kParagraphWidth, kParagraphHeight,
                  Paragraph(glyph, static_cast<uint32_t>(row * kParagraphsAcross + column)));
      lastX = left + kParagraphWidth - 1;
      lastY = bottom;
    }
  }
  return testing_support::AssembleDocument({page.record});
}

int Usage() {
  std::fprintf(stderr,
               "usage: make_reader_bench_documents pages FOLDER COUNT\n"
               "       make_reader_bench_documents big-page OUT.kwen\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "pages" && argc == 4) {
    const int count = std::atoi(argv[3]);
    if (count < 1 || count > kLargestPageCount) return Usage();
    return WritePages(argv[2], count) ? 0 : 1;
  }
  if (mode == "big-page" && argc == 3) {
    const Bytes document = BigPageDocument();
    std::string error;
    if (!WriteWholeFile(argv[2], PackBytes(document.data(), document.size(), Switches{}), error)) {
      std::fprintf(stderr, "make_reader_bench_documents: %s\n", error.c_str());
      return 1;
    }
    return 0;
  }
  return Usage();
}
