#include "builder/paper.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "builder/threshold.h"

namespace {

constexpr int32_t kTileSideAt300 = 16;
constexpr int32_t kReferenceDotsPerInch = 300;
constexpr int32_t kSmallestTile = 8;
constexpr int32_t kLargestTile = 64;
// A square is bare paper when 80% of its pixels lie within this many
// levels of brightness: scanner noise and JPEG ringing stay well inside it.
constexpr int32_t kPaperSpread = 32;
// Bare squares much darker than the page's usual paper are flat areas of
// pictures or ink, not paper.
constexpr int32_t kPaperDepth = 48;
// Paper is light and of little colour, even yellowed: a flat sky or a
// coloured panel is not.
constexpr int32_t kDarkestPaper = 128;
constexpr double kMostPaperChroma = 64;
// Fewer bare squares than this share of the page: nothing to measure.
constexpr double kLeastPaperShare = 0.03;
constexpr int32_t kLeastPaperTiles = 8;
// The light is fitted twice; squares darker than the first fit by more
// than this were stained or touched by ink and are left out of the second.
constexpr double kRefitMargin = 10.0;
constexpr int kSurfaceTerms = 6;  // 1, x, y, x^2, xy, y^2
constexpr int kChannels = 3;
constexpr int32_t kGainShift = 16;

struct PaperTile {
  double x, y;  // the square's centre, from -1 to 1 across the page
  int32_t brightness;
  std::array<double, kChannels> colour;  // of its brighter half
};

struct TileGrid {
  int32_t side, columns, rows;
};

// The brightness below which `share` of the histogram's pixels lie.
int32_t Percentile(const std::array<int32_t, kBrightnessLevels>& histogram, int32_t pixels, double share) {
  const int32_t wanted = static_cast<int32_t>(pixels * share);
  int32_t seen = 0;
  for (int32_t level = 0; level < kBrightnessLevels; ++level) {
    seen += histogram[static_cast<size_t>(level)];
    if (seen > wanted) return level;
  }
  return kBrightnessLevels - 1;
}

// The square's paper when it is bare: its brightness spread small.
bool MeasureTile(const PageImage& image, const TileGrid& grid, int32_t column, int32_t row, PaperTile& tile) {
  const int32_t left = column * grid.side, top = row * grid.side;
  const int32_t right = std::min(image.width, left + grid.side), bottom = std::min(image.height, top + grid.side);
  std::array<int32_t, kBrightnessLevels> histogram{};
  for (int32_t y = top; y < bottom; ++y) {
    const uint8_t* pixel = &image.rgb[(static_cast<size_t>(y) * image.width + left) * 3];
    for (int32_t x = left; x < right; ++x, pixel += 3) ++histogram[static_cast<size_t>(Brightness(pixel))];
  }
  const int32_t pixels = (right - left) * (bottom - top);
  const int32_t low = Percentile(histogram, pixels, 0.1), high = Percentile(histogram, pixels, 0.9);
  if (high - low > kPaperSpread) return false;
  const int32_t middle = Percentile(histogram, pixels, 0.5);
  std::array<double, kChannels> sum{};
  int32_t counted = 0;
  for (int32_t y = top; y < bottom; ++y) {
    const uint8_t* pixel = &image.rgb[(static_cast<size_t>(y) * image.width + left) * 3];
    for (int32_t x = left; x < right; ++x, pixel += 3) {
      if (Brightness(pixel) < middle) continue;
      for (int c = 0; c < kChannels; ++c) sum[c] += pixel[c];
      ++counted;
    }
  }
  tile.x = 2.0 * (left + right) / 2.0 / image.width - 1.0;
  tile.y = 2.0 * (top + bottom) / 2.0 / image.height - 1.0;
  tile.brightness = high;
  for (int c = 0; c < kChannels; ++c) tile.colour[c] = sum[c] / counted;
  const auto [least, most] = std::minmax_element(tile.colour.begin(), tile.colour.end());
  return high >= kDarkestPaper && *most - *least <= kMostPaperChroma;
}

using Surface = std::array<double, kSurfaceTerms>;

std::array<double, kSurfaceTerms> Terms(double x, double y) { return {1.0, x, y, x * x, x * y, y * y}; }

double Evaluate(const Surface& surface, double x, double y) {
  const auto terms = Terms(x, y);
  double value = 0;
  for (int t = 0; t < kSurfaceTerms; ++t) value += surface[t] * terms[t];
  return value;
}

// Least squares through the normal equations, solved by elimination with
// partial pivoting; a degenerate spread of squares falls back to the mean.
Surface FitSurface(const std::vector<PaperTile>& tiles, int channel) {
  double normal[kSurfaceTerms][kSurfaceTerms + 1] = {};
  double mean = 0;
  for (const PaperTile& tile : tiles) {
    const auto terms = Terms(tile.x, tile.y);
    for (int i = 0; i < kSurfaceTerms; ++i) {
      for (int j = 0; j < kSurfaceTerms; ++j) normal[i][j] += terms[i] * terms[j];
      normal[i][kSurfaceTerms] += terms[i] * tile.colour[channel];
    }
    mean += tile.colour[channel];
  }
  mean /= static_cast<double>(tiles.size());
  Surface surface{};
  for (int col = 0; col < kSurfaceTerms; ++col) {
    int pivot = col;
    for (int r = col + 1; r < kSurfaceTerms; ++r) {
      if (std::fabs(normal[r][col]) > std::fabs(normal[pivot][col])) pivot = r;
    }
    if (std::fabs(normal[pivot][col]) < 1e-9) return Surface{mean};
    for (int j = 0; j <= kSurfaceTerms; ++j) std::swap(normal[col][j], normal[pivot][j]);
    for (int r = 0; r < kSurfaceTerms; ++r) {
      if (r == col) continue;
      const double factor = normal[r][col] / normal[col][col];
      for (int j = col; j <= kSurfaceTerms; ++j) normal[r][j] -= factor * normal[col][j];
    }
  }
  for (int t = 0; t < kSurfaceTerms; ++t) surface[t] = normal[t][kSurfaceTerms] / normal[t][t];
  return surface;
}

std::array<Surface, kChannels> FitLight(const std::vector<PaperTile>& tiles) {
  std::array<Surface, kChannels> light;
  for (int c = 0; c < kChannels; ++c) light[c] = FitSurface(tiles, c);
  return light;
}

// The bare squares of the page's usual paper.
std::vector<PaperTile> PaperTiles(const PageImage& image, const TileGrid& grid) {
  std::vector<PaperTile> tiles;
  for (int32_t row = 0; row < grid.rows; ++row) {
    for (int32_t column = 0; column < grid.columns; ++column) {
      PaperTile tile;
      if (MeasureTile(image, grid, column, row, tile)) tiles.push_back(tile);
    }
  }
  if (tiles.empty()) return tiles;
  std::vector<int32_t> levels;
  for (const PaperTile& tile : tiles) levels.push_back(tile.brightness);
  std::nth_element(levels.begin(), levels.begin() + levels.size() / 2, levels.end());
  const int32_t usual = levels[levels.size() / 2];
  tiles.erase(std::remove_if(tiles.begin(), tiles.end(),
                             [usual](const PaperTile& tile) { return tile.brightness < usual - kPaperDepth; }),
              tiles.end());
  return tiles;
}

void DropStained(std::vector<PaperTile>& tiles, const std::array<Surface, kChannels>& light) {
  tiles.erase(std::remove_if(tiles.begin(), tiles.end(),
                             [&light](const PaperTile& tile) {
                               for (int c = 0; c < kChannels; ++c) {
                                 if (tile.colour[c] < Evaluate(light[c], tile.x, tile.y) - kRefitMargin) return true;
                               }
                               return false;
                             }),
              tiles.end());
}

// Scales each square's pixels by the light at its centre: the light changes
// too slowly for the steps between squares to show.
void DivideLight(PageImage& image, const TileGrid& grid, const std::array<Surface, kChannels>& light) {
  for (int32_t row = 0; row < grid.rows; ++row) {
    const int32_t top = row * grid.side, bottom = std::min(image.height, top + grid.side);
    for (int32_t column = 0; column < grid.columns; ++column) {
      const int32_t left = column * grid.side, right = std::min(image.width, left + grid.side);
      const double x = 2.0 * (left + right) / 2.0 / image.width - 1.0;
      const double y = 2.0 * (top + bottom) / 2.0 / image.height - 1.0;
      std::array<uint32_t, kChannels> gain;
      for (int c = 0; c < kChannels; ++c) {
        const double paper = std::clamp(Evaluate(light[c], x, y), 1.0, 255.0);
        gain[c] = static_cast<uint32_t>(std::lround(255.0 / paper * (1 << kGainShift)));
      }
      for (int32_t py = top; py < bottom; ++py) {
        uint8_t* pixel = &image.rgb[(static_cast<size_t>(py) * image.width + left) * 3];
        for (int32_t px = left; px < right; ++px) {
          for (int c = 0; c < kChannels; ++c, ++pixel) {
            *pixel = static_cast<uint8_t>(std::min<uint32_t>(255, (*pixel * gain[c]) >> kGainShift));
          }
        }
      }
    }
  }
}

}  // namespace

int32_t TileSide(int32_t dotsPerInch) {
  return std::clamp(dotsPerInch * kTileSideAt300 / kReferenceDotsPerInch, kSmallestTile, kLargestTile);
}

PaperReport RemovePaper(PageImage& image, int32_t tileSide) {
  PaperReport report;
  const TileGrid grid{tileSide, (image.width + tileSide - 1) / tileSide, (image.height + tileSide - 1) / tileSide};
  std::vector<PaperTile> tiles = PaperTiles(image, grid);
  const double allTiles = static_cast<double>(grid.columns) * grid.rows;
  if (static_cast<double>(tiles.size()) < std::max<double>(kLeastPaperTiles, allTiles * kLeastPaperShare)) {
    return report;
  }
  std::array<Surface, kChannels> light = FitLight(tiles);
  DropStained(tiles, light);
  if (tiles.size() < static_cast<size_t>(kLeastPaperTiles)) return report;
  light = FitLight(tiles);
  report.found = true;
  for (int c = 0; c < kChannels; ++c) {
    double sum = 0;
    for (const PaperTile& tile : tiles) sum += tile.colour[c];
    report.colour[c] = static_cast<uint8_t>(std::clamp(std::lround(sum / tiles.size()), 0L, 255L));
  }
  DivideLight(image, grid, light);
  return report;
}
