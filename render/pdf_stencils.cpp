#include "render/pdf_stencils.h"

#include <algorithm>
#include <vector>

#include "render/flate_rows.h"

namespace {

constexpr size_t kRgbBytes = 3;

bool DeflateStencil(const BilevelRows& rows, std::vector<uint8_t>& coded, std::string& error) {
  FlateRows flate(rows.rowBytes, 1, false);
  for (int32_t y = 0; y < rows.height; ++y) {
    if (!flate.Add(rows.bits.data() + rows.rowBytes * static_cast<size_t>(y))) break;
  }
  if (flate.Finish(coded)) return true;
  error = flate.error();
  return false;
}

BilevelRows EmptyRows(const PagePixels& pixels) {
  BilevelRows rows;
  rows.width = pixels.width;
  rows.height = pixels.height;
  rows.rowBytes = (static_cast<size_t>(pixels.width) + 7) / 8;
  rows.bits.assign(rows.rowBytes * static_cast<size_t>(pixels.height), 0);
  return rows;
}

}  // namespace

// Fax coding packs text best, deflating dithered shades and fine patterns.
bool EncodeStencil(const BilevelRows& rows, uint32_t ink, PdfImage& image, std::string& error) {
  image.format = PdfImageFormat{};
  image.format.kind = PdfImageKind::kStencil;
  image.format.width = rows.width;
  image.format.height = rows.height;
  image.format.bits = 1;
  image.format.ink = ink;
  std::vector<uint8_t> faxed;
  if (!EncodeGroup4(rows, faxed, error) || !DeflateStencil(rows, image.coded, error)) return false;
  if (faxed.size() <= image.coded.size()) {
    image.format.filter = PdfImageFilter::kFax;
    image.coded.swap(faxed);
  }
  return true;
}

bool EncodeInkStencils(const PagePixels& pixels, const PagePalette& palette, PdfPagePicture& picture,
                       std::string& error) {
  const std::vector<uint64_t>& counts = palette.counts();
  const size_t paper = static_cast<size_t>(std::max_element(counts.begin(), counts.end()) - counts.begin());
  picture.paper = palette.colours()[paper];
  picture.images.clear();
  // One mask a colour, the paper's left empty.
  std::vector<BilevelRows> masks(palette.colours().size());
  for (size_t colour = 0; colour < masks.size(); ++colour) {
    if (colour != paper) masks[colour] = EmptyRows(pixels);
  }
  std::vector<uint8_t> rgb(kRgbBytes * static_cast<size_t>(pixels.width));
  std::vector<uint8_t> indexes(static_cast<size_t>(pixels.width));
  for (int32_t y = 0; y < pixels.height; ++y) {
    palette.IndexRow(pixels, y, rgb.data(), indexes.data());
    for (size_t x = 0; x < indexes.size(); ++x) {
      if (indexes[x] == paper) continue;
      BilevelRows& mask = masks[indexes[x]];
      mask.bits[mask.rowBytes * static_cast<size_t>(y) + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
  }
  for (size_t colour = 0; colour < masks.size(); ++colour) {
    if (colour == paper) continue;
    PdfImage image;
    if (!EncodeStencil(masks[colour], palette.colours()[colour], image, error)) return false;
    picture.images.push_back(std::move(image));
    masks[colour] = BilevelRows{};  // its memory back at once
  }
  return true;
}
