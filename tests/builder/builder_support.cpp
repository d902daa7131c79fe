#include "tests/builder/builder_support.h"

#include <algorithm>
#include <cmath>

#include "tests/document/test_host.h"
#include "document/doc_file.h"
#include "document/document_format.h"
#include "document/document_state.h"
#include "document/page_loader.h"
#include "document/page_state.h"

namespace testing_support {

namespace {

constexpr uint32_t kTypefaceSeed = 1234;

uint32_t NextRandom(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

// A glyph of random shape: each row a stroke through the middle column, so
// that it is one piece.
std::vector<std::string> Glyph(uint32_t& state, int32_t width, int32_t height) {
  std::vector<std::string> rows(height, std::string(width, '.'));
  for (int32_t y = 0; y < height; ++y) {
    const int32_t first = static_cast<int32_t>(NextRandom(state) % (width / 2 + 1));
    const int32_t last = width / 2 + static_cast<int32_t>(NextRandom(state) % (width - width / 2));
    for (int32_t x = first; x <= last; ++x) rows[y][x] = '#';
  }
  return rows;
}

}  // namespace

PageImage BlankImage(int32_t width, int32_t height) {
  PageImage image;
  image.width = width;
  image.height = height;
  image.rgb.assign(static_cast<size_t>(width) * height * 3, 255);
  return image;
}

void SetPixel(PageImage& image, int32_t x, int32_t y, uint8_t red, uint8_t green, uint8_t blue) {
  uint8_t* pixel = &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
  pixel[0] = red;
  pixel[1] = green;
  pixel[2] = blue;
}

void FillRect(PageImage& image, int32_t left, int32_t top, int32_t width, int32_t height, uint8_t red,
              uint8_t green, uint8_t blue) {
  for (int32_t y = top; y < top + height; ++y) {
    for (int32_t x = left; x < left + width; ++x) SetPixel(image, x, y, red, green, blue);
  }
}

void Paste(PageImage& page, const PageImage& picture, int32_t left, int32_t top) {
  for (int32_t y = 0; y < picture.height; ++y) {
    const uint8_t* row = &picture.rgb[static_cast<size_t>(y) * picture.width * 3];
    std::copy(row, row + picture.width * 3, &page.rgb[(static_cast<size_t>(top + y) * page.width + left) * 3]);
  }
}

bool SamePixels(const PageImage& a, const PageImage& b) { return a.width == b.width && a.rgb == b.rgb; }

double BoxPsnr(const PageImage& a, const PageImage& b, int32_t left, int32_t top, int32_t width, int32_t height) {
  if (width == 0) width = a.width, height = a.height;
  double squares = 0;
  for (int32_t y = top; y < top + height; ++y) {
    for (int32_t x = left; x < left + width; ++x) {
      for (int c = 0; c < 3; ++c) {
        const size_t at = (static_cast<size_t>(y) * a.width + x) * 3 + c;
        squares += std::pow(double(a.rgb[at]) - b.rgb[at], 2);
      }
    }
  }
  return squares == 0 ? 1000 : 10 * std::log10(255.0 * 255.0 * 3 * width * height / squares);
}

PageImage TextPage(int32_t width, int32_t height, uint32_t seed) {
  constexpr int32_t kGlyphs = 20, kGlyphWidth = 14, kGlyphHeight = 20, kMargin = 40, kLineStep = 34;
  // One typeface for every page; the seed chooses the text.
  uint32_t state = kTypefaceSeed;
  std::vector<std::vector<std::string>> glyphs;
  for (int g = 0; g < kGlyphs; ++g) glyphs.push_back(Glyph(state, kGlyphWidth - 4 + g % 5, kGlyphHeight - g % 7));
  state = seed;
  PageImage image = BlankImage(width, height);
  for (int32_t top = kMargin; top + kGlyphHeight + kMargin < height; top += kLineStep) {
    int32_t x = kMargin;
    while (x + kGlyphWidth + kMargin < width) {
      const auto& glyph = glyphs[NextRandom(state) % kGlyphs];
      const int32_t base = top + kGlyphHeight - static_cast<int32_t>(glyph.size());  // on a common baseline
      for (size_t gy = 0; gy < glyph.size(); ++gy) {
        for (size_t gx = 0; gx < glyph[gy].size(); ++gx) {
          if (glyph[gy][gx] == '#') SetPixel(image, x + static_cast<int32_t>(gx), base + static_cast<int32_t>(gy), 0, 0, 0);
        }
      }
      x += static_cast<int32_t>(glyph[0].size()) + 3 + (NextRandom(state) % 6 == 0 ? 12 : 0);
    }
  }
  return image;
}

PageImage TablePage(int32_t width, int32_t height) {
  PageImage image = BlankImage(width, height);
  const int32_t left = 20, right = width - 20, top = 30, rows = 6, rowHeight = (height - 60) / rows;
  for (int32_t r = 0; r <= rows; ++r) FillRect(image, left, top + r * rowHeight, right - left, 2, 0, 0, 0);
  for (int32_t c = 0; c <= 3; ++c) FillRect(image, left + c * (right - left - 1) / 3, top, 1, rows * rowHeight, 0, 0, 0);
  for (int32_t r = 0; r < rows; ++r) FillRect(image, left + 10, top + r * rowHeight + 8, 6, 9, 0, 0, 0);
  return image;
}

PageImage SpiralPage(int32_t width, int32_t height) {
  PageImage image = BlankImage(width, height);
  const double cx = width / 2.0, cy = height / 2.0;
  for (double t = 0; t < 60; t += 0.001) {
    const int32_t x = static_cast<int32_t>(cx + t * 3 * std::cos(t));
    const int32_t y = static_cast<int32_t>(cy + t * 3 * std::sin(t));
    if (x >= 0 && y >= 0 && x < width && y < height) SetPixel(image, x, y, 0, 0, 0);
  }
  return image;
}

PageImage PhotoPage(int32_t width, int32_t height, uint32_t seed) {
  PageImage image = BlankImage(width, height);
  uint32_t state = seed;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const double wave = std::sin(x * 0.05) * std::cos(y * 0.04);
      const int noise = static_cast<int>(NextRandom(state) % 9) - 4;
      auto channel = [&](double base) {
        return static_cast<uint8_t>(std::fmax(0, std::fmin(254, base + noise)));
      };
      SetPixel(image, x, y, channel(120 + 80 * wave), channel(90 + x * 100.0 / width), channel(60 + y * 150.0 / height));
    }
  }
  return image;
}

PageImage LoadBuiltPage(const DocumentWriter& document, int32_t index) {
  DocFile hdoc, hofs;
  const int64_t size = static_cast<int64_t>(document.bytes.size());
  OpenMemoryDocFile(hdoc, document.bytes.data(), size);
  OpenMemoryDocFile(hofs, document.bytes.data(), size);
  ReadDocumentTable(Session().document, Session().host, hdoc);
  Session().document.currentPage = index;
  LoadPage(Session().document, Session().page, Session().host, hdoc, hofs, index);
  const BitmapInfoHeader& info = Session().page.info.BMIH;
  PageImage image = BlankImage(info.biWidth, info.biHeight);
  const uint64_t stride = RowBytes(info.biBitCount, info.biWidth);
  for (int32_t y = 0; y < info.biHeight; ++y) {
    const uint8_t* row = Session().page.bits + stride * static_cast<uint64_t>(info.biHeight - 1 - y);
    for (int32_t x = 0; x < info.biWidth; ++x) {
      uint32_t value = FetchPixel(row, static_cast<uint64_t>(x) * info.biBitCount, info.biBitCount);
      if (info.biBitCount <= 8) {
        const RgbQuad& colour = Session().page.info.RGBTable[value];
        SetPixel(image, x, y, colour.rgbRed, colour.rgbGreen, colour.rgbBlue);
      } else {
        SetPixel(image, x, y, static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
                 static_cast<uint8_t>(value));
      }
    }
  }
  return image;
}

}  // namespace testing_support
