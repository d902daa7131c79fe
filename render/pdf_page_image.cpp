#include "render/pdf_page_image.h"

#include <algorithm>
#include <memory>
#include <string>

#include "render/ccitt_g4.h"
#include "render/flate_rows.h"
#include "render/page_palette.h"
#include "render/page_pixels.h"
#include "render/pdf_stencils.h"

namespace {

constexpr uint32_t kBlack = 0x000000;
// A page of up to 256 colours is indexes of 8 bits or fewer, of up to 8 a
// stencil for each but its paper if that is smaller; greys are whole bytes
// anyway once there are more than 16.
constexpr size_t kMostIndexedColours = 256;
constexpr size_t kMostStencilColours = 8;
constexpr size_t kMostIndexedGreys = 16;
constexpr int32_t kSampleBits = 8;
constexpr size_t kRgbBytes = 3;

size_t BitRowBytes(int32_t width, int32_t bits) { return (static_cast<size_t>(width) * bits + 7) / 8; }

// The bits past a row's last pixel, which must stay 0 (unpainted).
uint8_t LastByteMask(int32_t width) {
  const int32_t used = width % 8;
  return used == 0 ? uint8_t{0xFF} : static_cast<uint8_t>(0xFF << (8 - used));
}

bool IsBlackAndWhiteTable(const kwen::Bitmap& page) {
  return page.bitsPerPixel == 1 && page.palette.size() == 2 &&
         ((page.palette[0] == kBlack && page.palette[1] == kPdfWhite) ||
          (page.palette[0] == kPdfWhite && page.palette[1] == kBlack));
}

// A 1-bit page of black and white as the stencil of its black: its rows as
// they are, or inverted when its index 0 is black. No stencil for a page
// without black.
bool EncodeBlackAndWhite(const kwen::Bitmap& page, PdfPagePicture& picture, std::string& error) {
  BilevelRows rows;
  rows.width = page.width;
  rows.height = page.height;
  rows.rowBytes = BitRowBytes(page.width, 1);
  rows.bits.resize(rows.rowBytes * static_cast<size_t>(page.height));
  const bool invert = page.palette[0] == kBlack;
  for (int32_t y = 0; y < page.height; ++y) {
    const uint8_t* from = page.Row(y);
    uint8_t* to = rows.bits.data() + rows.rowBytes * static_cast<size_t>(y);
    for (size_t i = 0; i < rows.rowBytes; ++i) to[i] = invert ? static_cast<uint8_t>(~from[i]) : from[i];
    to[rows.rowBytes - 1] &= LastByteMask(page.width);
  }
  if (std::all_of(rows.bits.begin(), rows.bits.end(), [](uint8_t byte) { return byte == 0; })) return true;
  picture.images.emplace_back();
  return EncodeStencil(rows, kBlack, picture.images.back(), error);
}

// How a page's rows are deflated.
struct RowShape {
  int32_t height;
  size_t rowBytes;
  size_t bufferBytes;  // what making a row takes, at least rowBytes
  size_t pixelBytes;
};

// Deflates the rows `makeRow` makes, plainly, and with `tryPrediction` also
// led by PNG filters: samples of photographs pack better predicted, flat
// drawn colours often worse; the page takes the smaller.
template <typename MakeRow>
bool DeflateRows(const RowShape& shape, bool tryPrediction, MakeRow makeRow, PdfImage& image, std::string& error) {
  FlateRows plain(shape.rowBytes, shape.pixelBytes, false);
  std::unique_ptr<FlateRows> predicted;
  if (tryPrediction) predicted = std::make_unique<FlateRows>(shape.rowBytes, shape.pixelBytes, true);
  std::vector<uint8_t> row(std::max(shape.rowBytes, shape.bufferBytes));
  for (int32_t y = 0; y < shape.height; ++y) {
    makeRow(y, row.data());
    if (!plain.Add(row.data()) || (predicted && !predicted->Add(row.data()))) break;
  }
  std::vector<uint8_t> predictedBytes;
  if (!plain.Finish(image.coded) || (predicted && !predicted->Finish(predictedBytes))) {
    error = plain.error().empty() ? predicted->error() : plain.error();
    return false;
  }
  if (predicted && predictedBytes.size() < image.coded.size()) {
    image.coded.swap(predictedBytes);
    image.format.predicted = true;
  }
  return true;
}

PdfImage ImageOf(const PagePixels& pixels, PdfImageKind kind, int32_t bits) {
  PdfImage image;
  image.format.kind = kind;
  image.format.width = pixels.width;
  image.format.height = pixels.height;
  image.format.bits = bits;
  return image;
}

bool EncodeGrey(const PagePixels& pixels, PdfImage& image, std::string& error) {
  image = ImageOf(pixels, PdfImageKind::kGrey, kSampleBits);
  const size_t width = static_cast<size_t>(pixels.width);
  return DeflateRows(RowShape{pixels.height, width, kRgbBytes * width, 1}, true,
                     [&pixels, width](int32_t y, uint8_t* row) {
                       // The red of each grey, in place: pixel x's grey is byte 3x.
                       PageRowRgb(pixels, y, row);
                       for (size_t x = 1; x < width; ++x) row[x] = row[kRgbBytes * x];
                     },
                     image, error);
}

bool EncodeRgb(const PagePixels& pixels, PdfImage& image, std::string& error) {
  image = ImageOf(pixels, PdfImageKind::kRgb, kSampleBits);
  const size_t rowBytes = kRgbBytes * static_cast<size_t>(pixels.width);
  return DeflateRows(RowShape{pixels.height, rowBytes, rowBytes, kRgbBytes}, true,
                     [&pixels](int32_t y, uint8_t* row) { PageRowRgb(pixels, y, row); }, image, error);
}

bool EncodeIndexed(const PagePixels& pixels, const PagePalette& palette, PdfImage& image, std::string& error) {
  image = ImageOf(pixels, PdfImageKind::kIndexed, palette.bits());
  image.format.palette = palette.colours();
  const int32_t bits = image.format.bits;
  const size_t rowBytes = BitRowBytes(pixels.width, bits);
  std::vector<uint8_t> rgb(kRgbBytes * static_cast<size_t>(pixels.width));
  std::vector<uint8_t> indexes(static_cast<size_t>(pixels.width));
  return DeflateRows(RowShape{pixels.height, rowBytes, rowBytes, 1}, false,
                     [&](int32_t y, uint8_t* row) {
                       palette.IndexRow(pixels, y, rgb.data(), indexes.data());
                       std::fill(row, row + rowBytes, 0);
                       for (size_t x = 0; x < indexes.size(); ++x) {
                         const size_t bit = x * static_cast<size_t>(bits);
                         row[bit / 8] |= static_cast<uint8_t>(indexes[x] << (8 - bits - static_cast<int32_t>(bit % 8)));
                       }
                     },
                     image, error);
}

size_t CodedBytes(const PdfPagePicture& picture) {
  size_t bytes = 0;
  for (const PdfImage& image : picture.images) bytes += image.coded.size();
  return bytes;
}

// Stencils of the inks or one picture of indexes, whichever is smaller;
// two colours always make one stencil.
bool EncodeFewColours(const PagePixels& pixels, const PagePalette& palette, PdfPagePicture& picture,
                      std::string& error) {
  const size_t colours = palette.colours().size();
  if (colours <= kMostStencilColours && !EncodeInkStencils(pixels, palette, picture, error)) return false;
  if (colours <= 2) return true;
  PdfImage indexed;
  if (!EncodeIndexed(pixels, palette, indexed, error)) return false;
  if (colours <= kMostStencilColours && CodedBytes(picture) <= indexed.coded.size()) return true;
  picture = PdfPagePicture{};
  picture.images.push_back(std::move(indexed));
  return true;
}

}  // namespace

bool EncodePagePicture(const kwen::Bitmap& page, PdfPagePicture& picture, std::string& error) {
  picture = PdfPagePicture{};
  if (page.format != kwen::PixelFormat::kPage) {
    error = "the page is not in the document's own pixels";
    return false;
  }
  // Most pages are of this kind: known without looking at every pixel.
  if (IsBlackAndWhiteTable(page)) return EncodeBlackAndWhite(page, picture, error);
  std::vector<RgbQuad> table;
  PagePixels pixels{};
  if (!OpenBitmapPixels(page, table, pixels, error)) return false;
  PagePalette palette;
  switch (palette.Find(pixels, kMostIndexedColours)) {
    case PaletteSearch::kPastTheTable:
      error = "the page has pixels past its table of " + std::to_string(pixels.tableColours) + " colours";
      return false;
    case PaletteSearch::kTooMany:
      picture.images.emplace_back();
      return EncodeRgb(pixels, picture.images.back(), error);
    case PaletteSearch::kFound:
      break;
  }
  if (AllGrey(palette.colours()) && palette.colours().size() > kMostIndexedGreys) {
    picture.images.emplace_back();
    return EncodeGrey(pixels, picture.images.back(), error);
  }
  return EncodeFewColours(pixels, palette, picture, error);
}
