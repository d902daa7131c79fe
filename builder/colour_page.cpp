#include <algorithm>
#include <map>

#include "builder/compact_encoder.h"
#include "builder/page_box.h"
#include "builder/page_encoder.h"
#include "builder/spot_finder.h"
#include "engine/memory_pack.h"
#include "document/document_layout.h"
#include "document/page_loader.h"

namespace {

constexpr uint16_t kColourBits = 24;
constexpr uint16_t kGreyBits = 8;
constexpr uint32_t kWhiteGrey = 255;  // the white index of the grey table
// Pictures of this many pixels or more are weighed raw against compact alone.
constexpr uint64_t kAlonePixels = 128 * 128;
// Pictures this close are stored as one: a little white costs less than
// another spot's fields.
constexpr int32_t kPictureGap = 8;

// A page of 24 bits per pixel, or of 8 with a table of the 256 greys, in
// which a grey is its own index.
struct PageDepth {
  uint16_t bits;
  uint32_t white;
};

constexpr PageDepth kColourDepth{kColourBits, kWhite24};
constexpr PageDepth kGreyDepth{kGreyBits, kWhiteGrey};

int32_t BytesPerPixel(const PageDepth& depth) { return depth.bits / 8; }

const uint8_t* PixelAt(const PageImage& image, int32_t x, int32_t y) {
  return &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
}

uint32_t PixelValue(const PageImage& image, const PageDepth& depth, int32_t x, int32_t y) {
  const uint8_t* pixel = PixelAt(image, x, y);
  if (depth.bits == kGreyBits) return pixel[0];
  return uint32_t{pixel[2]} | uint32_t{pixel[1]} << 8 | uint32_t{pixel[0]} << 16;  // blue, green, red
}

// The component's colour when all its pixels have one, else the white value.
uint32_t SingleColour(const PageImage& image, const PageDepth& depth, const Component& component) {
  const uint32_t colour = PixelValue(image, depth, component.runs[0].first, component.runs[0].row);
  for (const Run& run : component.runs) {
    for (int32_t x = run.first; x <= run.last; ++x) {
      if (PixelValue(image, depth, x, run.row) != colour) return depth.white;
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

// Columns of the box from the left, each bottom pixel first: blue, green,
// red, or the grey alone.
Bytes RawPicture(const PageImage& image, const PageDepth& depth, const Box& box) {
  const int32_t height = box.bottom - box.top + 1;
  Bytes data;
  data.reserve(static_cast<size_t>(box.right - box.left + 1) * height * BytesPerPixel(depth));
  for (int32_t x = box.left; x <= box.right; ++x) {
    for (int32_t y = box.bottom; y >= box.top; --y) {
      const uint8_t* pixel = PixelAt(image, x, y);
      if (depth.bits == kGreyBits) {
        data.push_back(pixel[0]);
        continue;
      }
      data.push_back(pixel[2]);
      data.push_back(pixel[1]);
      data.push_back(pixel[0]);
    }
  }
  return data;
}

// A picture of the page, with its compact coding when that is the smaller.
struct Picture {
  Box box;
  Bytes compact;  // empty: stored raw
};

size_t PackedSize(const Bytes& bytes, const Switches& switches) {
  return PackBytes(bytes.data(), bytes.size(), switches).size();
}

// Codes pictures compact where that packs smaller than their raw pixels at
// `rawDepth` (flat pixels pack far better than their unpacked size says).
// A large picture is weighed alone; small ones, such as the glyphs of grey
// text, pack together (raw, they repeat one another), so they are weighed
// as one group. A picture too large for the loader to decode at once, and
// a thumbnail, which the loader always reads raw, stay raw.
std::vector<Picture> PlanPictures(const PageImage& image, const std::vector<Box>& boxes, int32_t quality,
                                  const PageDepth& rawDepth, const Switches& switches) {
  std::vector<Picture> pictures;
  Bytes smallRaw, smallCompact;
  std::vector<size_t> small;
  for (const Box& box : boxes) {
    Picture picture{box, {}};
    const uint32_t width = static_cast<uint32_t>(box.Width()), height = static_cast<uint32_t>(box.Height());
    if (quality > 0 && !IsThumbnail(width, height) && CompactPictureFits(width, height)) {
      EncodeCompactPicture(image, box.left, box.top, box.Width(), box.Height(), ScaleForQuality(quality),
                           PictureTone::kColour, picture.compact);
      const Bytes raw = RawPicture(image, rawDepth, box);
      if (uint64_t{width} * height < kAlonePixels) {
        smallRaw.insert(smallRaw.end(), raw.begin(), raw.end());
        smallCompact.insert(smallCompact.end(), picture.compact.begin(), picture.compact.end());
        small.push_back(pictures.size());
      } else if (PackedSize(picture.compact, switches) >= PackedSize(raw, switches)) {
        picture.compact.clear();
      }
    }
    pictures.push_back(std::move(picture));
  }
  if (!small.empty() && PackedSize(smallCompact, switches) >= PackedSize(smallRaw, switches)) {
    for (size_t index : small) pictures[index].compact.clear();
  }
  return pictures;
}

void PutPictures(SpotStream& stream, const PageImage& image, const PageDepth& depth,
                 const std::vector<Picture>& pictures, int32_t quality) {
  for (const Picture& picture : pictures) {
    const Box& box = picture.box;
    const bool compact = !picture.compact.empty();
    if (compact) {
      SelectCompact(stream, ScaleForQuality(quality));
    } else if (!(stream.compact && IsThumbnail(static_cast<uint32_t>(box.Width()),
                                               static_cast<uint32_t>(box.Height())))) {
      SelectInk(stream, depth.white);  // thumbnails read raw under the compact state too
    }
    PutPicture(stream, box.left, box.bottom, box.Width(), box.Height(),
               compact ? picture.compact : RawPicture(image, depth, box), compact);
  }
}

bool IsGrey(const PageImage& image) {
  for (size_t p = 0; p < image.rgb.size(); p += 3) {
    if (image.rgb[p + 1] != image.rgb[p] || image.rgb[p + 2] != image.rgb[p]) return false;
  }
  return true;
}

bool AnyCompact(const std::vector<Picture>& pictures) {
  return std::any_of(pictures.begin(), pictures.end(), [](const Picture& picture) { return !picture.compact.empty(); });
}

}  // namespace

uint16_t WriteColourPage(DocumentWriter& document, const PageImage& image, int32_t quality, const Switches& switches) {
  std::vector<uint8_t> nonWhite(static_cast<size_t>(image.width) * image.height);
  for (size_t p = 0; p < nonWhite.size(); ++p) {
    const uint8_t* pixel = &image.rgb[p * 3];
    nonWhite[p] = (pixel[0] & pixel[1] & pixel[2]) != 255;
  }
  // A page of too many groups is one picture; the page's largest picture
  // stays well within what the loader reads.
  static_assert(kLargestPagePixels * (kColourBits / 8) <= static_cast<int64_t>(kLargestSpotBytes));
  const bool onePicture = !SpotsWithinBudget(nonWhite, image.width, image.height);
  std::vector<Component> components;
  if (!onePicture) components = FindComponents(nonWhite, image.width, image.height);
  SortReadingOrder(components);
  // A grey page is 8-bit unless one of its pictures is smaller compact-coded
  // (than its grey bytes), which takes three channels.
  const bool grey = IsGrey(image);
  const PageDepth planned = grey ? kGreyDepth : kColourDepth;
  PageDepth depth = planned;
  std::vector<Box> boxes;
  if (onePicture) boxes.push_back(Box{0, 0, image.width - 1, image.height - 1});
  std::map<uint32_t, std::vector<const Component*>> masksByColour;
  for (const Component& component : components) {
    const uint32_t colour = SingleColour(image, planned, component);
    const size_t maskBytes = (static_cast<size_t>(component.Width()) + 7) / 8 * component.Height();
    const size_t pictureBytes = static_cast<size_t>(component.Width()) * component.Height() * BytesPerPixel(planned);
    if (colour != planned.white && maskBytes < pictureBytes) {
      masksByColour[colour].push_back(&component);
    } else {
      boxes.push_back(Box{component.left, component.top, component.right, component.bottom});
    }
  }
  const std::vector<Picture> pictures =
      PlanPictures(image, MergeBoxes(std::move(boxes)), quality, planned, switches);
  if (grey && AnyCompact(pictures)) depth = kColourDepth;
  BeginPage(document, image.width, image.height, depth.bits, image.xPelsPerMetre, image.yPelsPerMetre);
  SpotStream stream = StartSpots(document, image.width, depth.white);
  if (components.empty() && !onePicture) {
    PutBlankSpot(stream, depth.bits);
    return depth.bits;
  }
  // Pictures first: masks then paint their exact colours over whatever a
  // lossy picture left beneath them.
  PutPictures(stream, image, depth, pictures, quality);
  for (const auto& [colour, members] : masksByColour) {
    // A grey found as its index goes on a 24-bit page as blue, green, red.
    const bool widened = planned.bits != depth.bits;
    SelectInk(stream, widened ? colour | colour << 8 | colour << 16 : colour);
    for (const Component* component : members) {
      PutMask(stream, component->left, component->bottom, component->Width(), component->Height(),
              ComponentMask(*component));
    }
  }
  return depth.bits;
}
