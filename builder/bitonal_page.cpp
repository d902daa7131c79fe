#include "builder/page_encoder.h"
#include "builder/spot_finder.h"
#include "builder/threshold.h"
#include "document/document_layout.h"

namespace {


}  // namespace

bool IsBlackAndWhite(const PageImage& image) {
  for (size_t p = 0; p < image.rgb.size(); p += 3) {
    const uint8_t value = image.rgb[p];
    if ((value != 0 && value != 255) || image.rgb[p + 1] != value || image.rgb[p + 2] != value) return false;
  }
  return true;
}

std::vector<uint8_t> InkMap(const PageImage& image, int32_t threshold) {
  std::vector<uint8_t> ink(image.rgb.size() / 3);
  for (size_t p = 0; p < ink.size(); ++p) {
    ink[p] = Brightness(&image.rgb[p * 3]) < threshold ? 1 : 0;
  }
  return ink;
}

void WriteBitonalPage(DocumentWriter& document, const PageImage& image, const std::vector<uint8_t>& ink) {
  BeginPage(document, image.width, image.height, 1, image.xPelsPerMetre, image.yPelsPerMetre);
  SpotStream stream = StartSpots(document, image.width, kWhite1);
  std::vector<Component> components = FindComponents(ink, image.width, image.height);
  if (components.empty()) {
    PutBlankSpot(stream, 1);
    return;
  }
  SortReadingOrder(components);
  for (const Component& component : components) {
    PutMask(stream, component.left, component.bottom, component.Width(), component.Height(),
            ComponentMask(component));
  }
}

bool HasBitonalPicture(const PageImage& image) {
  return !CarriesNoBits(1, static_cast<uint32_t>(image.width), static_cast<uint32_t>(image.height));
}

void WriteBitonalPicturePage(DocumentWriter& document, const PageImage& image, const std::vector<uint8_t>& ink) {
  BeginPage(document, image.width, image.height, 1, image.xPelsPerMetre, image.yPelsPerMetre);
  SpotStream stream = StartSpots(document, image.width, kWhite1);
  // Columns from the left, each from the bottom pixel up, a pixel a bit
  // from bit 7; 1 is white.
  const size_t columnBytes = (static_cast<size_t>(image.height) + 7) / 8;
  Bytes picture(columnBytes * static_cast<size_t>(image.width), 0xFF);
  for (int32_t y = 0; y < image.height; ++y) {
    const size_t up = static_cast<size_t>(image.height - 1 - y);
    const uint8_t bit = static_cast<uint8_t>(0x80u >> (up & 7));
    const uint8_t* row = &ink[static_cast<size_t>(y) * image.width];
    for (int32_t x = 0; x < image.width; ++x) {
      if (row[x] != 0) picture[columnBytes * static_cast<size_t>(x) + up / 8] &= static_cast<uint8_t>(~bit);
    }
  }
  SelectInk(stream, kWhite1);
  PutPicture(stream, 0, image.height - 1, image.width, image.height, picture, false);
}
