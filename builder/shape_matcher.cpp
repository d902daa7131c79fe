#include "builder/shape_matcher.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

// GCC and Clang build code for x86's instruction that counts ones, and ask
// the processor whether it has it.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define KWEN_ONES_INSTRUCTION 1
#endif

namespace {

// The weighted difference allowed per pixel of the shape's width plus
// height: edge noise of a scan moves about one edge pixel in a few, and
// more lets different letters of one size match.
constexpr int64_t kDifferencePerSidePixel = 2;
// A difference away from the other shape's ink is a speck of noise when at
// most one other difference touches it; more make a part of a letter.
constexpr int32_t kLoneDifferences = 3;
constexpr int32_t kWordBits = 64;
constexpr int32_t kLastBit = kWordBits - 1;

// Ones in a word, added in ever wider fields: the instruction that counts
// them is not on every processor the programs run on.
struct PortableOnes {
  static int32_t In(uint64_t word) {
    word -= (word >> 1) & 0x5555555555555555u;
    word = (word & 0x3333333333333333u) + ((word >> 2) & 0x3333333333333333u);
    word = (word + (word >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<int32_t>((word * 0x0101010101010101u) >> 56);
  }
};

// Word i of a row moved one column left: bit x holds column x + 1.
uint64_t NextColumn(const uint64_t* row, int32_t i, int32_t words) {
  return (row[i] >> 1) | (i + 1 < words ? row[i + 1] << kLastBit : 0);
}

// Word i of a row moved one column right: bit x holds column x - 1.
uint64_t PreviousColumn(const uint64_t* row, int32_t i) {
  return (row[i] << 1) | (i > 0 ? row[i - 1] >> kLastBit : 0);
}

// Columns with ink in them or beside them.
uint64_t Spread(const uint64_t* row, int32_t i, int32_t words) {
  return row[i] | NextColumn(row, i, words) | PreviousColumn(row, i);
}

// Columns with ink in them and on both sides.
uint64_t Core(const uint64_t* row, int32_t i, int32_t words) {
  return row[i] & NextColumn(row, i, words) & PreviousColumn(row, i);
}

// The candidate over the shape at (dx, dy), over a frame that holds both
// with a blank row above and below and blank columns on either side, so
// that every neighbourhood of a difference is inside. Frame row y is row
// y + top of the shape; columns are the shape's bit columns.
struct Placement {
  int32_t dx;  // -1, 0 or 1: sizes that may match are at most two apart
  int32_t dy;
  int32_t height;
  int32_t words;  // a frame row
  const ShapeBits* shape;
  const ShapeBits* candidate;
  const uint64_t* shapeTop;  // frame row 0 of each
  const uint64_t* candidateTop;

  Placement(const ShapeBits& shapeBits, const ShapeBits& candidateBits, int32_t x, int32_t y) {
    const int32_t top = std::min(0, y) - 1;
    dx = x;
    dy = y;
    height = std::max(shapeBits.height, y + candidateBits.height) + 1 - top;
    words = std::max(shapeBits.words, candidateBits.words);
    shape = &shapeBits;
    candidate = &candidateBits;
    shapeTop = &shapeBits.rows[static_cast<size_t>(top + kShapeBitsMargin) * shapeBits.words];
    candidateTop = &candidateBits.rows[static_cast<size_t>(top - y + kShapeBitsMargin) * candidateBits.words];
  }

  uint64_t ShapeWord(int32_t y, int32_t i) const {
    return i < shape->words ? shapeTop[static_cast<size_t>(y) * shape->words + i] : 0;
  }

  uint64_t CandidateWord(int32_t y, int32_t i) const {
    const uint64_t* row = candidateTop + static_cast<size_t>(y) * candidate->words;
    const int32_t count = candidate->words;
    const uint64_t word = i < count ? row[i] : 0;
    if (dx > 0) return (word << 1) | (i > 0 && i <= count ? row[i - 1] >> kLastBit : 0);
    if (dx < 0) return (word >> 1) | (i + 1 < count ? row[i + 1] << kLastBit : 0);
    return word;
  }
};

// The weight of a row of differences against the row above: its
// differences, and twice the pairs of neighbouring ones that it completes.
template <typename Ones>
[[gnu::always_inline]] inline int32_t RowWeight(uint64_t above, uint64_t row, uint64_t next, uint64_t previous) {
  return Ones::In(row) +
         2 * (Ones::In(row & next) + Ones::In(above & row) + Ones::In(above & next) + Ones::In(above & previous));
}

// The weighted difference, summed row by row: each differing pixel counts
// the differences of its neighbourhood, itself among them, which is their
// count plus twice the pairs of neighbouring differences, each pair added
// once its lower or right pixel is in. The sum only grows, so it stops at
// `bound`, mostly after a few rows.
int64_t WeighRows(const Placement& placement, int64_t bound, MatchRoom& room) {
  const int32_t words = placement.words;
  room.differs.assign(2 * static_cast<size_t>(words), 0);
  uint64_t* above = room.differs.data();
  uint64_t* row = above + words;
  int64_t weight = 0;
  for (int32_t y = 1; y + 1 < placement.height && weight < bound; ++y) {
    for (int32_t i = 0; i < words; ++i) row[i] = placement.ShapeWord(y, i) ^ placement.CandidateWord(y, i);
    for (int32_t i = 0; i < words; ++i) {
      weight += RowWeight<PortableOnes>(above[i], row[i], NextColumn(row, i, words), PreviousColumn(row, i));
    }
    std::swap(above, row);
  }
  return weight;
}

// The same for shapes of one word a row, most letters, in registers.
template <typename Ones>
[[gnu::always_inline]] inline int64_t WeighNarrowRows(const Placement& placement, int64_t bound) {
  const int32_t shift = placement.dx + 1;  // then one back: the candidate moved dx columns
  uint64_t above = 0;
  int64_t weight = 0;
  for (int32_t y = 1; y + 1 < placement.height && weight < bound; ++y) {
    const uint64_t row = placement.shapeTop[y] ^ ((placement.candidateTop[y] << shift) >> 1);
    weight += RowWeight<Ones>(above, row, row >> 1, row << 1);
    above = row;
  }
  return weight;
}

#ifdef KWEN_ONES_INSTRUCTION
// Narrow rows counted by the processor's instruction where it has one: the
// count is most of the work of a row.
struct InstructionOnes {
  [[gnu::always_inline]] static int32_t In(uint64_t word) { return __builtin_popcountll(word); }
};

[[gnu::target("popcnt")]] int64_t WeighNarrowRowsCounted(const Placement& placement, int64_t bound) {
  return WeighNarrowRows<InstructionOnes>(placement, bound);
}

bool HasOnesInstruction() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("popcnt");
}

const bool kHasOnesInstruction = HasOnesInstruction();
#endif

int64_t WeighDifferences(const Placement& placement, int64_t bound, MatchRoom& room) {
  if (placement.words > 1) return WeighRows(placement, bound, room);
#ifdef KWEN_ONES_INSTRUCTION
  if (kHasOnesInstruction) return WeighNarrowRowsCounted(placement, bound);
#endif
  return WeighNarrowRows<PortableOnes>(placement, bound);
}

// Both shapes and their differences over the whole frame, for the tests
// that look at neighbourhoods.
struct Frame {
  int32_t height;
  int32_t words;
  const uint64_t* shape;
  const uint64_t* candidate;
  const uint64_t* differs;

  size_t RowStart(int32_t y) const { return static_cast<size_t>(y) * words; }
};

Frame FillFrame(const Placement& placement, MatchRoom& room) {
  const size_t size = static_cast<size_t>(placement.height) * placement.words;
  room.shape.resize(size);
  room.candidate.resize(size);
  room.differs.resize(size);
  for (int32_t y = 0; y < placement.height; ++y) {
    for (int32_t i = 0; i < placement.words; ++i) {
      const size_t at = static_cast<size_t>(y) * placement.words + i;
      room.shape[at] = placement.ShapeWord(y, i);
      room.candidate[at] = placement.CandidateWord(y, i);
      room.differs[at] = room.shape[at] ^ room.candidate[at];
    }
  }
  return Frame{placement.height, placement.words, room.shape.data(), room.candidate.data(), room.differs.data()};
}

// Whether some 3 x 3 square is all differences.
bool HasThickPatch(const Frame& frame) {
  for (int32_t y = 1; y + 1 < frame.height; ++y) {
    const uint64_t* above = frame.differs + frame.RowStart(y - 1);
    const uint64_t* row = frame.differs + frame.RowStart(y);
    const uint64_t* below = frame.differs + frame.RowStart(y + 1);
    for (int32_t i = 0; i < frame.words; ++i) {
      if ((Core(above, i, frame.words) & Core(row, i, frame.words) & Core(below, i, frame.words)) != 0) return true;
    }
  }
  return false;
}

bool BitAt(const uint64_t* row, int32_t x) { return ((row[x / kWordBits] >> (x % kWordBits)) & 1) != 0; }

int32_t DifferencesAround(const Frame& frame, int32_t x, int32_t y) {
  int32_t near = 0;
  for (int32_t ny = y - 1; ny <= y + 1; ++ny) {
    const uint64_t* row = frame.differs + frame.RowStart(ny);
    for (int32_t nx = x - 1; nx <= x + 1; ++nx) near += BitAt(row, nx);
  }
  return near;
}

// Whether ink of one shape far from the other's ink is more than a speck:
// such pixels are few, and only they have their neighbourhood counted.
bool LosesPart(const Frame& frame) {
  for (int32_t y = 1; y + 1 < frame.height; ++y) {
    const size_t above = frame.RowStart(y - 1), row = frame.RowStart(y), below = frame.RowStart(y + 1);
    for (int32_t i = 0; i < frame.words; ++i) {
      const uint64_t nearShape = Spread(frame.shape + above, i, frame.words) |
                                 Spread(frame.shape + row, i, frame.words) |
                                 Spread(frame.shape + below, i, frame.words);
      const uint64_t nearCandidate = Spread(frame.candidate + above, i, frame.words) |
                                     Spread(frame.candidate + row, i, frame.words) |
                                     Spread(frame.candidate + below, i, frame.words);
      uint64_t apart = (frame.shape[row + i] & ~nearCandidate) | (frame.candidate[row + i] & ~nearShape);
      for (; apart != 0; apart &= apart - 1) {
        const int32_t x = i * kWordBits + PortableOnes::In((apart & (~apart + 1)) - 1);
        if (DifferencesAround(frame, x, y) >= kLoneDifferences) return true;
      }
    }
  }
  return false;
}

// The weighted difference of the placement, or -1 when it is `bound` or
// more, or a difference is a lost part or a thick patch.
int64_t WeighPlacement(const Placement& placement, int64_t bound, MatchRoom& room) {
  const int64_t weight = WeighDifferences(placement, bound, room);
  if (weight >= bound) return -1;
  const Frame frame = FillFrame(placement, room);
  return HasThickPatch(frame) || LosesPart(frame) ? -1 : weight;
}

// The offsets that put the candidate's centre on the shape's, both ways of
// rounding a half pixel.
void CentredOffsets(int32_t size, int32_t candidateSize, int32_t offsets[2], int32_t& count) {
  const int32_t twice = size - candidateSize;
  offsets[0] = twice >= 0 ? twice / 2 : -((-twice + 1) / 2);
  count = 1;
  if ((twice & 1) != 0) offsets[count++] = offsets[0] + 1;
}

}  // namespace

Shape ShapeOfComponent(const Component& component) {
  Shape shape;
  shape.width = component.Width();
  shape.height = component.Height();
  shape.pixels.assign(static_cast<size_t>(shape.width) * shape.height, 0);
  for (const Run& run : component.runs) {
    uint8_t* row = &shape.pixels[static_cast<size_t>(run.row - component.top) * shape.width];
    std::fill(row + (run.first - component.left), row + (run.last - component.left) + 1, uint8_t{1});
    shape.ink += run.last - run.first + 1;
  }
  return shape;
}

ShapeBits BitsOfShape(const Shape& shape) {
  ShapeBits bits;
  bits.width = shape.width;
  bits.height = shape.height;
  bits.words = (shape.width + 2 * kShapeBitsMargin + kLastBit) / kWordBits;
  bits.rows.assign(static_cast<size_t>(bits.words) * (shape.height + 2 * kShapeBitsMargin), 0);
  for (int32_t y = 0; y < shape.height; ++y) {
    uint64_t* row = &bits.rows[static_cast<size_t>(y + kShapeBitsMargin) * bits.words];
    const uint8_t* pixels = &shape.pixels[static_cast<size_t>(y) * shape.width];
    for (int32_t x = 0; x < shape.width; ++x) {
      const int32_t column = x + kShapeBitsMargin;
      row[column / kWordBits] |= uint64_t{pixels[x] != 0} << (column % kWordBits);
    }
  }
  for (uint64_t word : bits.rows) bits.ink += PortableOnes::In(word);
  return bits;
}

bool SizesMayMatch(const ShapeBits& shape, const ShapeBits& candidate) {
  const int32_t slack = std::max(shape.width, shape.height) > kTwoPixelSlackFrom ? 2 : 1;
  return std::abs(shape.width - candidate.width) <= slack && std::abs(shape.height - candidate.height) <= slack;
}

int64_t DifferenceLimit(const ShapeBits& shape) {
  return (int64_t{shape.width} + shape.height) * kDifferencePerSidePixel;
}

bool MatchShapeBits(const ShapeBits& shape, const ShapeBits& candidate, int64_t below, MatchRoom& room,
                    ShapeMatch& match) {
  if (!SizesMayMatch(shape, candidate)) return false;
  const int64_t bound = std::min(DifferenceLimit(shape) + 1, below);
  // Every pixel of ink one has more than the other differs wherever it lies.
  if (std::abs(shape.ink - candidate.ink) >= bound) return false;
  int32_t xOffsets[2], yOffsets[2], xCount, yCount;
  CentredOffsets(shape.width, candidate.width, xOffsets, xCount);
  CentredOffsets(shape.height, candidate.height, yOffsets, yCount);
  bool found = false;
  for (int32_t i = 0; i < yCount; ++i) {
    for (int32_t j = 0; j < xCount; ++j) {
      const Placement placement(shape, candidate, xOffsets[j], yOffsets[i]);
      const int64_t difference = WeighPlacement(placement, found ? match.difference : bound, room);
      if (difference < 0) continue;
      match = ShapeMatch{placement.dx, placement.dy, difference};
      found = true;
    }
  }
  return found;
}

bool MatchShapes(const Shape& shape, const Shape& candidate, ShapeMatch& match) {
  MatchRoom room;
  return MatchShapeBits(BitsOfShape(shape), BitsOfShape(candidate), std::numeric_limits<int64_t>::max(), room,
                        match);
}
