#include <algorithm>
#include <map>

#include "tools/kwentool/compact_encoder.h"
#include "tools/kwentool/page_encoder.h"
#include "tools/kwentool/spot_finder.h"
#include "viewer/document/document_layout.h"
#include "viewer/document/page_loader.h"

namespace {

constexpr uint16_t kColourBits = 24;
constexpr int32_t kBytesPerPixel = 3;
// Pictures this close are stored as one: a little white costs less than
// another spot's fields.
constexpr int32_t kPictureGap = 8;

struct Box {
  int32_t left, top, right, bottom;
};

uint32_t PixelValue(const PageImage& image, int32_t x, int32_t y) {
  const uint8_t* pixel = &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
  return uint32_t{pixel[2]} | uint32_t{pixel[1]} << 8 | uint32_t{pixel[0]} << 16;  // blue, green, red
}

// The component's colour when all its pixels have one, else the white value.
uint32_t SingleColour(const PageImage& image, const Component& component) {
  const uint32_t colour = PixelValue(image, component.runs[0].first, component.runs[0].row);
  for (const Run& run : component.runs) {
    for (int32_t x = run.first; x <= run.last; ++x) {
      if (PixelValue(image, x, run.row) != colour) return kWhite24;
    }
  }
  return colour;
}

bool Near(const Box& a, const Box& b) {
  return a.left <= b.right + kPictureGap && b.left <= a.right + kPictureGap && a.top <= b.bottom + kPictureGap &&
         b.top <= a.bottom + kPictureGap;
}

// Joins near boxes until no two are near.
std::vector<Box> MergeBoxes(std::vector<Box> boxes) {
  bool merged = true;
  while (merged) {
    merged = false;
    std::sort(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) { return a.left < b.left; });
    std::vector<Box> kept;
    std::vector<bool> gone(boxes.size(), false);
    for (size_t i = 0; i < boxes.size(); ++i) {
      if (gone[i]) continue;
      Box box = boxes[i];
      for (size_t j = i + 1; j < boxes.size() && boxes[j].left <= box.right + kPictureGap; ++j) {
        if (gone[j] || !Near(box, boxes[j])) continue;
        box = Box{std::min(box.left, boxes[j].left), std::min(box.top, boxes[j].top),
                  std::max(box.right, boxes[j].right), std::max(box.bottom, boxes[j].bottom)};
        gone[j] = true;
        merged = true;
      }
      kept.push_back(box);
    }
    boxes = std::move(kept);
  }
  std::sort(boxes.begin(), boxes.end(),
            [](const Box& a, const Box& b) { return a.top != b.top ? a.top < b.top : a.left < b.left; });
  return boxes;
}

// Columns of the box from the left, each bottom pixel first: blue, green, red.
Bytes RawPicture(const PageImage& image, const Box& box) {
  const int32_t height = box.bottom - box.top + 1;
  Bytes data;
  data.reserve(static_cast<size_t>(box.right - box.left + 1) * height * kBytesPerPixel);
  for (int32_t x = box.left; x <= box.right; ++x) {
    for (int32_t y = box.bottom; y >= box.top; --y) {
      const uint8_t* pixel = &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
      data.push_back(pixel[2]);
      data.push_back(pixel[1]);
      data.push_back(pixel[0]);
    }
  }
  return data;
}

void PutPictures(SpotStream& stream, const PageImage& image, const std::vector<Box>& boxes, int32_t quality) {
  if (boxes.empty()) return;
  const int32_t scale = quality > 0 ? ScaleForQuality(quality) : 0;
  if (quality > 0) {
    SelectCompact(stream, scale);
  } else {
    SelectInk(stream, kWhite24);
  }
  for (const Box& box : boxes) {
    const int32_t width = box.right - box.left + 1, height = box.bottom - box.top + 1;
    // A picture too large for the loader to decode at once is stored raw.
    const bool compact = quality > 0 && !IsThumbnail(static_cast<uint32_t>(width), static_cast<uint32_t>(height)) &&
                         CompactPictureFits(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    Bytes data;
    if (compact) {
      EncodeCompactPicture(image, box.left, box.top, width, height, scale, data);
    } else {
      data = RawPicture(image, box);
    }
    PutPicture(stream, box.left, box.bottom, width, height, data, compact);
  }
}

}  // namespace

void WriteColourPage(DocumentWriter& document, const PageImage& image, int32_t quality) {
  BeginPage(document, image.width, image.height, kColourBits, image.xPelsPerMetre, image.yPelsPerMetre);
  SpotStream stream = StartSpots(document, image.width, kWhite24);
  std::vector<uint8_t> nonWhite(static_cast<size_t>(image.width) * image.height);
  for (size_t p = 0; p < nonWhite.size(); ++p) {
    const uint8_t* pixel = &image.rgb[p * 3];
    nonWhite[p] = (pixel[0] & pixel[1] & pixel[2]) != 255;
  }
  std::vector<Component> components = FindComponents(nonWhite, image.width, image.height);
  if (components.empty()) {
    PutBlankSpot(stream, kColourBits);
    return;
  }
  SortReadingOrder(components);
  std::vector<Box> boxes;
  std::map<uint32_t, std::vector<const Component*>> masksByColour;
  for (const Component& component : components) {
    const uint32_t colour = SingleColour(image, component);
    const size_t maskBytes = (static_cast<size_t>(component.Width()) + 7) / 8 * component.Height();
    const size_t pictureBytes = static_cast<size_t>(component.Width()) * component.Height() * kBytesPerPixel;
    if (colour != kWhite24 && maskBytes < pictureBytes) {
      masksByColour[colour].push_back(&component);
    } else {
      boxes.push_back(Box{component.left, component.top, component.right, component.bottom});
    }
  }
  // Pictures first: masks then paint their exact colours over whatever a
  // lossy picture left beneath them.
  PutPictures(stream, image, MergeBoxes(std::move(boxes)), quality);
  for (const auto& [colour, members] : masksByColour) {
    SelectInk(stream, colour);
    for (const Component* component : members) {
      PutMask(stream, component->left, component->bottom, component->Width(), component->Height(),
              ComponentMask(*component));
    }
  }
}
