#include "builder/page_analysis.h"

#include <algorithm>
#include <cmath>

#include "builder/spot_finder.h"
#include "builder/threshold.h"

namespace {

// The local cut between ink and paper: the window's mean brightness
// lowered where its contrast is low, so that paper noise never turns into
// ink while faint strokes on a busy window still do.
constexpr double kContrastWeight = 0.3;
constexpr double kContrastRange = 128.0;
constexpr int32_t kLowestCut = 64;
constexpr int32_t kHighestCut = 180;
// Paper once it is white: bright and without colour.
constexpr int32_t kPaperLevel = 224;
constexpr int32_t kNeutralChroma = 32;
// Pixels lighter than the cut with this much colour are light coloured ink,
// unless they lie this near dark ink: there they are the lighter edge of a
// coloured letter, not a mark of their own.
constexpr int32_t kColourInkChroma = 64;
constexpr int32_t kHaloReach = 2;
// A square of a picture: little paper and many tones between paper and
// ink. Text has paper around every letter and few such tones.
constexpr double kPictureMostPaper = 0.1;
constexpr double kPictureLeastMiddle = 0.25;
// A picture covers at least a 4 x 4 block of squares (an inch at 300 dpi is
// 19 squares): smaller shaded areas are rules and headings.
constexpr int32_t kLeastPictureTiles = 16;
// A letter over a picture: no taller than a quarter inch (18 points), no
// wider than half an inch, at least 4 pixels tall, on a ground at least this
// much brighter than itself and light.
constexpr int32_t kLetterHeightsPerInch = 4;
constexpr int32_t kLetterWidthsPerInch = 2;
constexpr int32_t kLeastLetterHeight = 4;
constexpr int64_t kLetterContrast = 96;
constexpr int64_t kDarkestLetterGround = 160;
// Groups of ink this many squares long touching a picture belong to it.
constexpr int32_t kAbsorbedSideTiles = 4;

struct TileCounts {
  int64_t sum = 0, squares = 0;
  int32_t pixels = 0, paper = 0, middle = 0;
};

struct Grid {
  int32_t side, columns, rows;
  size_t Index(int32_t column, int32_t row) const { return static_cast<size_t>(row) * columns + column; }
};

int32_t Chroma(const uint8_t* pixel) {
  return std::max({pixel[0], pixel[1], pixel[2]}) - std::min({pixel[0], pixel[1], pixel[2]});
}

bool IsPaper(const uint8_t* pixel) { return Brightness(pixel) >= kPaperLevel && Chroma(pixel) < kNeutralChroma; }

void SumBrightness(const PageImage& image, const Grid& grid, std::vector<TileCounts>& tiles) {
  for (int32_t y = 0; y < image.height; ++y) {
    const uint8_t* pixel = &image.rgb[static_cast<size_t>(y) * image.width * 3];
    TileCounts* row = &tiles[grid.Index(0, y / grid.side)];
    for (int32_t x = 0; x < image.width; ++x, pixel += 3) {
      TileCounts& tile = row[x / grid.side];
      const int64_t level = Brightness(pixel);
      tile.sum += level;
      tile.squares += level * level;
      ++tile.pixels;
    }
  }
}

// Each square's cut from the mean and deviation of the 3 x 3 squares
// around it.
std::vector<int32_t> LocalCuts(const Grid& grid, const std::vector<TileCounts>& tiles) {
  std::vector<int32_t> cuts(tiles.size());
  for (int32_t row = 0; row < grid.rows; ++row) {
    for (int32_t column = 0; column < grid.columns; ++column) {
      double sum = 0, squares = 0, pixels = 0;
      for (int32_t r = std::max(0, row - 1); r <= std::min(grid.rows - 1, row + 1); ++r) {
        for (int32_t c = std::max(0, column - 1); c <= std::min(grid.columns - 1, column + 1); ++c) {
          const TileCounts& tile = tiles[grid.Index(c, r)];
          sum += static_cast<double>(tile.sum);
          squares += static_cast<double>(tile.squares);
          pixels += tile.pixels;
        }
      }
      const double mean = sum / pixels;
      const double deviation = std::sqrt(std::max(0.0, squares / pixels - mean * mean));
      const double cut = mean * (1.0 + kContrastWeight * (deviation / kContrastRange - 1.0));
      cuts[grid.Index(column, row)] = std::clamp(static_cast<int32_t>(std::lround(cut)), kLowestCut, kHighestCut);
    }
  }
  return cuts;
}

void RowBrightness(const PageImage& image, int32_t y, std::vector<int32_t>& levels) {
  const uint8_t* pixel = &image.rgb[static_cast<size_t>(y) * image.width * 3];
  for (int32_t x = 0; x < image.width; ++x, pixel += 3) levels[static_cast<size_t>(x)] = Brightness(pixel);
}

// The rows' brightness softened by a 3 x 3 binomial filter (weights 1 2 1
// each way, over 16), edges repeated: the cut then follows a stroke's edge
// rather than the scanner's noise along it, which would only cost bytes.
void SoftenedRow(const std::vector<int32_t>& above, const std::vector<int32_t>& row, const std::vector<int32_t>& below,
                 std::vector<int32_t>& softened) {
  const size_t width = row.size();
  for (size_t x = 0; x < width; ++x) {
    const size_t left = x > 0 ? x - 1 : x, right = x + 1 < width ? x + 1 : x;
    const auto column = [&](size_t at) { return above[at] + 2 * row[at] + below[at]; };
    softened[x] = (column(left) + 2 * column(x) + column(right) + 8) / 16;
  }
}

void CutInk(const PageImage& image, const Grid& grid, const std::vector<int32_t>& cuts,
            std::vector<TileCounts>& tiles, PageContent& content) {
  const size_t width = static_cast<size_t>(image.width);
  std::vector<int32_t> above(width), row(width), below(width), softened(width);
  RowBrightness(image, 0, row);
  above = row;
  for (int32_t y = 0; y < image.height; ++y) {
    if (y + 1 < image.height) RowBrightness(image, y + 1, below); else below = row;
    SoftenedRow(above, row, below, softened);
    const size_t rowStart = static_cast<size_t>(y) * width;
    const uint8_t* pixel = &image.rgb[rowStart * 3];
    const size_t tileRow = grid.Index(0, y / grid.side);
    for (size_t x = 0; x < width; ++x, pixel += 3) {
      const size_t tile = tileRow + x / static_cast<size_t>(grid.side);
      if (softened[x] < cuts[tile]) {
        content.ink[rowStart + x] = 1;
      } else if (IsPaper(pixel)) {
        ++tiles[tile].paper;
      } else {
        ++tiles[tile].middle;
        content.colourInk[rowStart + x] = Chroma(pixel) >= kColourInkChroma;
      }
    }
    std::swap(above, row);
    std::swap(row, below);
  }
}

using TileMap = std::vector<uint8_t>;

// One step of a 3 x 3 dilation (grow) or erosion (shrink) of the squares.
TileMap Morph(const Grid& grid, const TileMap& map, bool grow) {
  TileMap out(map.size());
  for (int32_t row = 0; row < grid.rows; ++row) {
    for (int32_t column = 0; column < grid.columns; ++column) {
      bool any = false, all = true;
      for (int32_t r = row - 1; r <= row + 1; ++r) {
        for (int32_t c = column - 1; c <= column + 1; ++c) {
          const bool inside = r >= 0 && c >= 0 && r < grid.rows && c < grid.columns;
          const bool set = inside && map[grid.Index(c, r)];
          any = any || set;
          // Beyond the page counts as picture for shrinking, so that a
          // photograph to the page's edge keeps its edge.
          all = all && (set || !inside);
        }
      }
      out[grid.Index(column, row)] = grow ? any : all;
    }
  }
  return out;
}

std::vector<Box> PictureBoxes(const Grid& grid, const std::vector<TileCounts>& tiles, int32_t width, int32_t height) {
  TileMap map(tiles.size());
  for (size_t t = 0; t < tiles.size(); ++t) {
    const double pixels = tiles[t].pixels;
    map[t] = tiles[t].paper < kPictureMostPaper * pixels && tiles[t].middle >= kPictureLeastMiddle * pixels;
  }
  // Closed, to fill a picture's flat and dark patches; opened, to drop thin
  // runs of squares along headings and rules.
  map = Morph(grid, Morph(grid, map, true), false);
  map = Morph(grid, Morph(grid, map, false), true);
  std::vector<Box> boxes;
  for (const Component& group : FindComponents(map, grid.columns, grid.rows)) {
    int64_t squares = 0;
    for (const Run& run : group.runs) squares += run.last - run.first + 1;
    if (squares < kLeastPictureTiles) continue;
    // One square of margin: the squares at a picture's edge are part paper.
    boxes.push_back(Box{std::max(0, (group.left - 1) * grid.side), std::max(0, (group.top - 1) * grid.side),
                        std::min(width - 1, (group.right + 2) * grid.side - 1),
                        std::min(height - 1, (group.bottom + 2) * grid.side - 1)});
  }
  return MergeOverlapping(std::move(boxes));
}

bool Overlap(const Box& a, const Box& b) {
  return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

Box Union(const Box& a, const Box& b) {
  return Box{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
             std::max(a.bottom, b.bottom)};
}

void ClearBox(std::vector<uint8_t>& map, int32_t width, const Box& box) {
  for (int32_t y = box.top; y <= box.bottom; ++y) {
    std::fill_n(&map[static_cast<size_t>(y) * width + box.left], box.Width(), uint8_t{0});
  }
}

// The ink of the box, as a map of its own.
std::vector<uint8_t> InkWithin(const std::vector<uint8_t>& ink, int32_t width, const Box& box) {
  std::vector<uint8_t> within(static_cast<size_t>(box.Area()));
  for (int32_t y = box.top; y <= box.bottom; ++y) {
    const uint8_t* row = &ink[static_cast<size_t>(y) * width + box.left];
    std::copy(row, row + box.Width(), &within[static_cast<size_t>(y - box.top) * box.Width()]);
  }
  return within;
}

// Mean brightness of the group's pixels and of the ring of pixels two
// beyond its box; the group's coordinates are the box's own.
bool StandsOut(const PageImage& image, const Box& box, const Component& group) {
  int64_t inside = 0, insidePixels = 0;
  for (const Run& run : group.runs) {
    const uint8_t* pixel = &image.rgb[(static_cast<size_t>(box.top + run.row) * image.width + box.left + run.first) * 3];
    for (int32_t x = run.first; x <= run.last; ++x, pixel += 3) inside += Brightness(pixel);
    insidePixels += run.last - run.first + 1;
  }
  const Box ring{std::max(0, box.left + group.left - 2), std::max(0, box.top + group.top - 2),
                 std::min(image.width - 1, box.left + group.right + 2), std::min(image.height - 1, box.top + group.bottom + 2)};
  int64_t around = 0, aroundPixels = 0;
  for (int32_t y = ring.top; y <= ring.bottom; ++y) {
    const bool edgeRow = y == ring.top || y == ring.bottom;
    for (int32_t x = ring.left; x <= ring.right; x += edgeRow || x == ring.right ? 1 : ring.right - ring.left) {
      around += Brightness(&image.rgb[(static_cast<size_t>(y) * image.width + x) * 3]);
      ++aroundPixels;
    }
  }
  const int64_t groundLevel = around / std::max<int64_t>(1, aroundPixels);
  return groundLevel >= kDarkestLetterGround && groundLevel - inside / insidePixels >= kLetterContrast;
}

void PaintGroup(std::vector<uint8_t>& ink, int32_t width, const Box& box, const Component& group) {
  for (const Run& run : group.runs) {
    uint8_t* row = &ink[static_cast<size_t>(box.top + run.row) * width + box.left];
    std::fill(row + run.first, row + run.last + 1, uint8_t{1});
  }
}

// Clears the light coloured ink within kHaloReach of dark ink.
void ClearHalos(PageContent& content, int32_t width, int32_t height) {
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* dark = &content.ink[static_cast<size_t>(y) * width];
    for (int32_t x = 0; x < width; ++x) {
      if (!dark[x]) continue;
      for (int32_t ny = std::max(0, y - kHaloReach); ny <= std::min(height - 1, y + kHaloReach); ++ny) {
        uint8_t* row = &content.colourInk[static_cast<size_t>(ny) * width];
        std::fill(row + std::max(0, x - kHaloReach), row + std::min(width - 1, x + kHaloReach) + 1, uint8_t{0});
      }
    }
  }
}

}  // namespace

void KeepTextOverPictures(PageContent& content, const PageImage& image, int32_t dotsPerInch) {
  if (content.allInk.empty()) return;
  const int32_t tallest = dotsPerInch / kLetterHeightsPerInch, widest = dotsPerInch / kLetterWidthsPerInch;
  for (const Box& box : content.pictures) {
    const std::vector<uint8_t> within = InkWithin(content.allInk, image.width, box);
    if (!SpotsWithinBudget(within, box.Width(), box.Height())) continue;  // a dithered picture: no letters to tell
    for (const Component& group : FindComponents(within, box.Width(), box.Height())) {
      if (group.Height() < kLeastLetterHeight || group.Height() > tallest || group.Width() > widest) continue;
      if (StandsOut(image, box, group)) PaintGroup(content.ink, image.width, box, group);
    }
  }
  content.allInk.clear();
}

void WhitenPaper(PageImage& image, const Box& box) {
  for (int32_t y = box.top; y <= box.bottom; ++y) {
    uint8_t* pixel = &image.rgb[(static_cast<size_t>(y) * image.width + box.left) * 3];
    for (int32_t x = box.left; x <= box.right; ++x, pixel += 3) {
      if (IsPaper(pixel)) pixel[0] = pixel[1] = pixel[2] = 255;
    }
  }
}

std::vector<Box> MergeOverlapping(std::vector<Box> boxes) {
  for (bool merged = true; merged;) {
    merged = false;
    for (size_t i = 0; i < boxes.size() && !merged; ++i) {
      for (size_t j = i + 1; j < boxes.size(); ++j) {
        if (!Overlap(boxes[i], boxes[j])) continue;
        boxes[i] = Union(boxes[i], boxes[j]);
        boxes.erase(boxes.begin() + static_cast<std::ptrdiff_t>(j));
        merged = true;
        break;
      }
    }
  }
  std::sort(boxes.begin(), boxes.end(),
            [](const Box& a, const Box& b) { return a.top != b.top ? a.top < b.top : a.left < b.left; });
  return boxes;
}

PageContent AnalysePage(const PageImage& image, int32_t tileSide) {
  const Grid grid{tileSide, (image.width + tileSide - 1) / tileSide, (image.height + tileSide - 1) / tileSide};
  std::vector<TileCounts> tiles(static_cast<size_t>(grid.columns) * grid.rows);
  SumBrightness(image, grid, tiles);
  PageContent content;
  content.ink.assign(static_cast<size_t>(image.width) * image.height, 0);
  content.colourInk.assign(content.ink.size(), 0);
  CutInk(image, grid, LocalCuts(grid, tiles), tiles, content);
  ClearHalos(content, image.width, image.height);
  content.pictures = PictureBoxes(grid, tiles, image.width, image.height);
  if (!content.pictures.empty()) content.allInk = content.ink;
  for (const Box& box : content.pictures) {
    ClearBox(content.ink, image.width, box);
    ClearBox(content.colourInk, image.width, box);
  }
  return content;
}

void AbsorbInkIntoPictures(PageContent& content, int32_t width, int32_t height, int32_t tileSide) {
  if (content.pictures.empty()) return;
  const int32_t largeSide = kAbsorbedSideTiles * tileSide;
  bool grown = false;
  for (const Component& group : FindComponents(content.ink, width, height)) {
    if (group.Width() < largeSide && group.Height() < largeSide) continue;
    // Touching: the group's box reaches one pixel into a picture's margin.
    const Box reach{group.left - 1, group.top - 1, group.right + 1, group.bottom + 1};
    for (Box& picture : content.pictures) {
      if (!Overlap(reach, picture)) continue;
      picture = Union(picture, Box{group.left, group.top, group.right, group.bottom});
      grown = true;
      break;
    }
  }
  if (!grown) return;
  content.pictures = MergeOverlapping(std::move(content.pictures));
  for (const Box& box : content.pictures) {
    ClearBox(content.ink, width, box);
    ClearBox(content.colourInk, width, box);
  }
}
