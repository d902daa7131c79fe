#include "builder/compact_encoder.h"

#include <algorithm>
#include <cmath>

#include "builder/document_writer.h"
#include "document/compact_decoder.h"

namespace {

constexpr int kN = kBlockSide;
constexpr int32_t kLowestQuality = 1;
constexpr int32_t kBestQuality = 100;
constexpr int32_t kCoarsestScale = 20;

using Matrix = double[kN][kN];

// The decoder's basis: sample n of frequency k is +/- a(M(n, k)).
void DecoderBasis(Matrix basis) {
  const CosineTables cosines = ComputeCosTables();
  for (int n = 0; n < kN; ++n) {
    for (int k = 0; k < kN; ++k) {
      double value = cosines.magnitude[aCosIndex[n][k]];
      basis[n][k] = cosines.negative[n][k] ? -value : value;
    }
  }
}

// Gauss-Jordan with partial pivoting; the basis is well conditioned.
void Invert(Matrix m, Matrix inverse) {
  for (int i = 0; i < kN; ++i) {
    for (int j = 0; j < kN; ++j) inverse[i][j] = i == j ? 1.0 : 0.0;
  }
  for (int col = 0; col < kN; ++col) {
    int pivot = col;
    for (int r = col + 1; r < kN; ++r) {
      if (std::fabs(m[r][col]) > std::fabs(m[pivot][col])) pivot = r;
    }
    for (int j = 0; j < kN; ++j) {
      std::swap(m[col][j], m[pivot][j]);
      std::swap(inverse[col][j], inverse[pivot][j]);
    }
    const double scale = m[col][col];
    for (int j = 0; j < kN; ++j) {
      m[col][j] /= scale;
      inverse[col][j] /= scale;
    }
    for (int r = 0; r < kN; ++r) {
      if (r == col) continue;
      const double factor = m[r][col];
      for (int j = 0; j < kN; ++j) {
        m[r][j] -= factor * m[col][j];
        inverse[r][j] -= factor * inverse[col][j];
      }
    }
  }
}

// forward[k][n]: the weight of sample n in coefficient k.
struct ForwardTransform {
  Matrix forward;
  ForwardTransform() {
    Matrix basis;
    DecoderBasis(basis);
    Invert(basis, forward);
  }
};

const ForwardTransform& Transform() {
  static const ForwardTransform transform;
  return transform;
}

// The three channels of a block, samples (i across, j upwards); pixels
// beyond the picture repeat its edge.
void BlockChannels(const PageImage& image, int32_t left, int32_t top, int32_t width, int32_t height, int32_t blockColumn,
                   int32_t blockRow, PictureTone tone, double channels[kCompactChannels][kN][kN]) {
  const bool grey = tone == PictureTone::kGrey;
  for (int i = 0; i < kN; ++i) {
    const int32_t x = left + std::min(blockColumn * kN + i, width - 1);
    for (int j = 0; j < kN; ++j) {
      const int32_t fromBottom = std::min(blockRow * kN + j, height - 1);
      const int32_t y = top + height - 1 - fromBottom;
      const uint8_t* pixel = &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
      const double red = pixel[0], green = pixel[1], blue = pixel[2];
      channels[0][i][j] = (red + 2 * green + blue) / 4;
      channels[1][i][j] = grey ? 0 : (blue - red) / 4;
      channels[2][i][j] = grey ? 0 : (red + blue - 2 * green) / 4;
    }
  }
}

// coefficients[u][v] = sum over i, j of forward[u][i] forward[v][j] x[i][j].
void ForwardBlock(const double samples[kN][kN], double coefficients[kN][kN]) {
  const Matrix& f = Transform().forward;
  double across[kN][kN];  // [u][j]
  for (int u = 0; u < kN; ++u) {
    for (int j = 0; j < kN; ++j) {
      double sum = 0;
      for (int i = 0; i < kN; ++i) sum += f[u][i] * samples[i][j];
      across[u][j] = sum;
    }
  }
  for (int u = 0; u < kN; ++u) {
    for (int v = 0; v < kN; ++v) {
      double sum = 0;
      for (int j = 0; j < kN; ++j) sum += f[v][j] * across[u][j];
      coefficients[u][v] = sum;
    }
  }
}

// Detail coefficients are rounded towards zero by this share of a step more
// than to the nearest: the small ones that go cost bytes out of proportion
// to what they add (a fifth fewer bytes for a twentieth of a decibel).
// At the finest scale, the best quality asked for, every coefficient stays.
constexpr double kDeadZone = 0.3;
constexpr int32_t kFinestScale = 1;

int32_t Quantise(double coefficient, double step, double deadZone) {
  const double magnitude = std::floor(std::fabs(coefficient) / step + 0.5 - deadZone);
  return static_cast<int32_t>(coefficient < 0 ? -std::max(0.0, magnitude) : std::max(0.0, magnitude));
}

// Blocks whose mean levels differ by less than half a level are one flat
// area. Its errors are carried only where it has grain (a scan's noise,
// which hides the carried steps): on an area of one exact colour, as drawn,
// the steps would show as a pattern, worse than a slight cast.
constexpr double kLeastGrainVariance = 0.5;
constexpr double kFlatDc = 8.0;
double Variance(const double samples[kN][kN]) {
  double sum = 0, squares = 0;
  for (int i = 0; i < kN; ++i) {
    for (int j = 0; j < kN; ++j) {
      sum += samples[i][j];
      squares += samples[i][j] * samples[i][j];
    }
  }
  const double mean = sum / (kN * kN);
  return squares / (kN * kN) - mean * mean;
}

// Floyd and Steinberg's weights over the grid of blocks.
constexpr double kAhead = 7.0 / 16, kBehindBelow = 3.0 / 16, kBelow = 5.0 / 16, kAheadBelow = 1.0 / 16;

// The blocks' DC coefficients quantised in block order, each block's
// rounding error carried to the blocks around it not yet quantised, where
// the picture is flat (their levels within a step of its own): there the
// errors would add up to a cast, while across detail they cancel anyway and
// carrying them would only add noise.
void QuantiseDiffused(const std::vector<double>& dc, const std::vector<bool>& grainy, int32_t blockColumns,
                      double step, int32_t* quantised) {
  std::vector<double> carried(dc.size(), 0.0);
  const size_t blocks = dc.size();
  const auto carry = [&](size_t from, size_t to, double error) {
    if (grainy[from] && grainy[to] && std::fabs(dc[to] - dc[from]) <= kFlatDc) carried[to] += error;
  };
  for (size_t block = 0; block < blocks; ++block) {
    const double wanted = dc[block] + carried[block];
    const int32_t value = static_cast<int32_t>(std::lround(wanted / step));
    quantised[block] = value;
    const double error = wanted - value * step;
    const size_t column = block % blockColumns;
    const bool hasAhead = column + 1 < static_cast<size_t>(blockColumns);
    if (hasAhead) carry(block, block + 1, error * kAhead);
    const size_t below = block + static_cast<size_t>(blockColumns);
    if (below >= blocks) continue;
    if (column > 0) carry(block, below - 1, error * kBehindBelow);
    carry(block, below, error * kBelow);
    if (hasAhead) carry(block, below + 1, error * kAheadBelow);
  }
}

}  // namespace

int32_t ScaleForQuality(int32_t quality) {
  quality = std::clamp(quality, kLowestQuality, kBestQuality);
  return 1 + (kBestQuality - quality) * (kCoarsestScale - 1) / (kBestQuality - kLowestQuality);
}

void EncodeCompactPicture(const PageImage& image, int32_t left, int32_t top, int32_t width, int32_t height,
                          int32_t scale, PictureTone tone, std::vector<uint8_t>& out) {
  const QuantSteps quant = BuildQuantTables(scale);
  const double deadZone = scale > kFinestScale ? kDeadZone : 0.0;
  const int32_t blockColumns = (width + kN - 1) / kN;
  const int32_t blockRows = (height + kN - 1) / kN;
  const size_t blocks = static_cast<size_t>(blockColumns) * blockRows;
  // quantised[((c * 9 + u) * 9 + v) * blocks + block]: the stream's order.
  std::vector<int32_t> quantised(kCompactChannels * kN * kN * blocks);
  std::vector<double> dc[kCompactChannels];
  std::vector<bool> grainy[kCompactChannels];
  for (std::vector<bool>& channel : grainy) channel.resize(blocks);
  for (std::vector<double>& channel : dc) channel.resize(blocks);
  double channels[kCompactChannels][kN][kN];
  double coefficients[kN][kN];
  for (size_t block = 0; block < blocks; ++block) {
    BlockChannels(image, left, top, width, height, static_cast<int32_t>(block % blockColumns),
                  static_cast<int32_t>(block / blockColumns), tone, channels);
    for (int c = 0; c < kCompactChannels; ++c) {
      ForwardBlock(channels[c], coefficients);
      dc[c][block] = coefficients[0][0];
      grainy[c][block] = Variance(channels[c]) >= kLeastGrainVariance;
      for (int u = 0; u < kN; ++u) {
        for (int v = u == 0 ? 1 : 0; v < kN; ++v) {
          quantised[((c * kN + u) * kN + v) * blocks + block] =
              Quantise(coefficients[u][v], quant.step[c][u][v], deadZone);
        }
      }
    }
  }
  for (int c = 0; c < kCompactChannels; ++c) {
    QuantiseDiffused(dc[c], grainy[c], blockColumns, quant.step[c][0][0], &quantised[static_cast<size_t>(c) * kN * kN * blocks]);
  }
  for (int c = 0; c < kCompactChannels; ++c) {
    int32_t previousDc = 0;
    for (int u = 0; u < kN; ++u) {
      for (int v = 0; v < kN; ++v) {
        const int32_t* row = &quantised[((c * kN + u) * kN + v) * blocks];
        for (size_t block = 0; block < blocks; ++block) {
          int32_t value = row[block];
          if (u == 0 && v == 0) {
            PutSignedNumber(out, value - previousDc);
            previousDc = value;
          } else {
            PutSignedNumber(out, value);
          }
        }
      }
    }
  }
}
