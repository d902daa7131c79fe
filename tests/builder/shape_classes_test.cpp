// Lossy shape matching on scan-like pages made from real letters, where the
// true mark of every shape is known from how the page was made.
#include "builder/shape_classes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "tests/builder/builder_support.h"
#include "tests/document/test_host.h"
#include "input/file_bytes.h"
#include "builder/lossy_page.h"
#include "builder/page_encoder.h"
#include "builder/spot_finder.h"

using namespace testing_support;

namespace {

// The characters of glyphs.pbm, one cell each (tests/data/make-glyphs.sh).
constexpr char kGlyphCharacters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.,;:!?-()";
constexpr int32_t kCellWidth = 48;
constexpr int32_t kPageWidth = 1400, kPageHeight = 900, kMargin = 40, kLineStep = 62, kLetterGap = 7;
constexpr int32_t kWordEvery = 6;
constexpr int32_t kInk = 128;  // grey below which the scan has ink
constexpr double kPi = 3.14159265358979323846;

uint32_t NextRandom(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

// A mark: one piece of ink of a clean glyph. Marks whose pixels are equal
// are one mark; so are all dots (the solid pieces of i, j, the full stop,
// colon, semicolon and exclamation mark): no scan tells a dot of 3 x 5
// pixels from one of 4 x 5.
struct Glyph {
  Component box;  // the glyph's ink box in its cell
  std::vector<Component> parts;
  std::vector<int32_t> markOfPart;
};

struct Typeface {
  PageImage cells;
  std::vector<Glyph> glyphs;
};

constexpr int32_t kLargestDot = 6;

bool IsDot(const Component& part) {
  int64_t pixels = 0;
  for (const Run& run : part.runs) pixels += run.last - run.first + 1;
  return part.Width() <= kLargestDot && part.Height() <= kLargestDot && pixels == int64_t{part.Width()} * part.Height();
}

Typeface LoadTypeface() {
  Typeface typeface;
  std::vector<uint8_t> bytes;
  std::string error;
  EXPECT_EQ(ReadFileBytes(GLYPHS_IMAGE, bytes), FileRead::kDone) << GLYPHS_IMAGE;
  EXPECT_TRUE(DecodePageImage(bytes, typeface.cells, error)) << error;
  std::map<std::vector<uint8_t>, int32_t> marks;
  typeface.glyphs.resize(sizeof kGlyphCharacters - 1);
  // Each piece of ink lies inside its glyph's cell.
  for (const Component& part : FindComponents(InkMap(typeface.cells, kInk), typeface.cells.width, typeface.cells.height)) {
    Glyph& glyph = typeface.glyphs.at(static_cast<size_t>(part.left / kCellWidth));
    if (glyph.parts.empty()) glyph.box = part;
    glyph.box.left = std::min(glyph.box.left, part.left);
    glyph.box.right = std::max(glyph.box.right, part.right);
    glyph.box.top = std::min(glyph.box.top, part.top);
    glyph.box.bottom = std::max(glyph.box.bottom, part.bottom);
    glyph.parts.push_back(part);
    std::vector<uint8_t> key;
    if (!IsDot(part)) {
      key = ComponentMask(part);
      key.push_back(static_cast<uint8_t>(part.Width()));
    }
    glyph.markOfPart.push_back(marks.emplace(key, static_cast<int32_t>(marks.size())).first->second);
  }
  for (const Glyph& glyph : typeface.glyphs) EXPECT_FALSE(glyph.parts.empty());
  return typeface;
}

// A page of random text in grey (0 ink, 255 paper), with the piece of
// glyph of each clean ink pixel.
struct TextPage {
  std::vector<uint8_t> grey;
  std::vector<int32_t> pieceOf;  // -1 for paper
  std::vector<int32_t> pieceMark;
  std::vector<int64_t> piecePixels;
};

TextPage MakeTextPage(const Typeface& typeface, uint32_t seed) {
  TextPage page;
  page.grey.assign(static_cast<size_t>(kPageWidth) * kPageHeight, 255);
  page.pieceOf.assign(page.grey.size(), -1);
  uint32_t state = seed;
  for (int32_t top = kMargin; top + typeface.cells.height + kMargin < kPageHeight; top += kLineStep) {
    int32_t x = kMargin;
    while (x + kCellWidth + kMargin < kPageWidth) {
      const Glyph& glyph = typeface.glyphs[NextRandom(state) % typeface.glyphs.size()];
      for (size_t p = 0; p < glyph.parts.size(); ++p) {
        page.pieceMark.push_back(glyph.markOfPart[p]);
        page.piecePixels.push_back(0);
        for (const Run& run : glyph.parts[p].runs) {
          for (int32_t cx = run.first; cx <= run.last; ++cx) {
            const size_t at = static_cast<size_t>(top + run.row) * kPageWidth + x + cx - glyph.box.left;
            page.grey[at] = 0;
            page.pieceOf[at] = static_cast<int32_t>(page.pieceMark.size()) - 1;
            ++page.piecePixels.back();
          }
        }
      }
      x += glyph.box.Width() + kLetterGap + (NextRandom(state) % kWordEvery == 0 ? kCellWidth / 2 : 0);
    }
  }
  return page;
}

// The page as a scanner sees it: blurred (binomial kernel, about one pixel),
// with Gaussian noise of the given deviation, cut at mid-grey.
PageImage Scan(const std::vector<uint8_t>& grey, double deviation, uint32_t seed) {
  static const int32_t kKernel[5] = {1, 4, 6, 4, 1};
  std::vector<int32_t> across(grey.size()), both(grey.size());
  for (int32_t y = 0; y < kPageHeight; ++y) {
    for (int32_t x = 0; x < kPageWidth; ++x) {
      int32_t sum = 0;
      for (int32_t k = -2; k <= 2; ++k) sum += kKernel[k + 2] * grey[static_cast<size_t>(y) * kPageWidth + std::clamp(x + k, 0, kPageWidth - 1)];
      across[static_cast<size_t>(y) * kPageWidth + x] = sum;
    }
  }
  for (int32_t y = 0; y < kPageHeight; ++y) {
    for (int32_t x = 0; x < kPageWidth; ++x) {
      int32_t sum = 0;
      for (int32_t k = -2; k <= 2; ++k) sum += kKernel[k + 2] * across[static_cast<size_t>(std::clamp(y + k, 0, kPageHeight - 1)) * kPageWidth + x];
      both[static_cast<size_t>(y) * kPageWidth + x] = sum;
    }
  }
  PageImage image = BlankImage(kPageWidth, kPageHeight);
  uint32_t state = seed;
  for (size_t p = 0; p < grey.size(); ++p) {
    // Box and Muller: two uniform numbers in (0, 1) give a normal one.
    const double u = (NextRandom(state) + 0.5) / 16777216.0, v = (NextRandom(state) + 0.5) / 16777216.0;
    const double noise = deviation * std::sqrt(-2 * std::log(u)) * std::cos(2 * kPi * v);
    const uint8_t value = both[p] / 256.0 + noise < kInk ? 0 : 255;
    image.rgb[p * 3] = image.rgb[p * 3 + 1] = image.rgb[p * 3 + 2] = value;
  }
  return image;
}

// The marks of which a scanned shape covers at least half; none for noise
// and for crumbs that noise broke off a letter.
std::set<int32_t> MarksOf(const Component& component, const TextPage& page) {
  std::map<int32_t, int64_t> covered;
  for (const Run& run : component.runs) {
    for (int32_t x = run.first; x <= run.last; ++x) {
      const int32_t piece = page.pieceOf[static_cast<size_t>(run.row) * kPageWidth + x];
      if (piece >= 0) ++covered[piece];
    }
  }
  std::set<int32_t> marks;
  for (const auto& [piece, pixels] : covered) {
    if (2 * pixels >= page.piecePixels[static_cast<size_t>(piece)]) marks.insert(page.pieceMark[static_cast<size_t>(piece)]);
  }
  return marks;
}

// The weighted difference of the candidate at (dx, dy) over the shape as
// MatchShapes describes it, pixel by pixel; -1 for a lost part or a thick
// patch.
int64_t PlainDifference(const Shape& shape, const Shape& candidate, int32_t dx, int32_t dy) {
  auto differs = [&](int32_t x, int32_t y) { return shape.At(x, y) != candidate.At(x - dx, y - dy); };
  auto inkNear = [](const Shape& s, int32_t x, int32_t y) {
    bool ink = false;
    for (int32_t ny = y - 1; ny <= y + 1; ++ny) {
      for (int32_t nx = x - 1; nx <= x + 1; ++nx) ink = ink || s.At(nx, ny) != 0;
    }
    return ink;
  };
  int64_t weight = 0;
  for (int32_t y = std::min(0, dy); y < std::max(shape.height, dy + candidate.height); ++y) {
    for (int32_t x = std::min(0, dx); x < std::max(shape.width, dx + candidate.width); ++x) {
      if (!differs(x, y)) continue;
      int32_t near = 0;
      for (int32_t ny = y - 1; ny <= y + 1; ++ny) {
        for (int32_t nx = x - 1; nx <= x + 1; ++nx) near += differs(nx, ny);
      }
      const bool apart = shape.At(x, y) != 0 ? !inkNear(candidate, x - dx, y - dy) : !inkNear(shape, x, y);
      if (near == 9 || (near >= 3 && apart)) return -1;
      weight += near;
    }
  }
  return weight;
}

struct Tally {
  int64_t letters = 0;  // shapes of marks
  int64_t letterMatches = 0;
  int64_t wrong = 0;
  int64_t misweighed = 0;
};

// Classifies the shapes of a page as the lossy builder does, counting the
// matches of a shape of some marks with a representative of other marks.
void ClassifyPage(const PageImage& scan, const TextPage& page, ShapeClasses& classes,
                  std::vector<std::set<int32_t>>& classesMarks, Tally& tally) {
  std::vector<Component> components = FindComponents(InkMap(scan, kInk), kPageWidth, kPageHeight);
  SortReadingOrder(components);
  for (const Component& component : components) {
    if (component.Width() < 2 || component.Height() < 2) continue;
    Shape shape = ShapeOfComponent(component);
    ShapeMatch match;
    const int32_t found = FindShapeClass(classes, shape, match);
    const std::set<int32_t> shapeMarks = MarksOf(component, page);
    tally.letters += !shapeMarks.empty();
    if (found >= 0) {
      // The match passes the test as written, at the difference reported.
      const int64_t plain =
          PlainDifference(shape, classes.classes[static_cast<size_t>(found)].representative, match.dx, match.dy);
      tally.misweighed += plain != match.difference || plain > DifferenceLimit(BitsOfShape(shape));
      tally.letterMatches += !shapeMarks.empty();
      const std::set<int32_t>& classMarks = classesMarks[static_cast<size_t>(found)];
      if (!shapeMarks.empty() && !classMarks.empty() && shapeMarks != classMarks) ++tally.wrong;
    } else {
      AddShapeClass(classes, std::move(shape), ComponentMask(component));
      classesMarks.push_back(shapeMarks);
    }
  }
}

TEST(ShapeClasses, ScannedLettersNeverMatchOtherLetters) {
  const Typeface typeface = LoadTypeface();
  struct Case {
    const char* name;
    double deviation;
    int64_t leastMatchedPercent;  // of the scanned letters
  };
  for (const Case& noise : {Case{"light noise", 30, 80}, Case{"heavy noise", 40, 40}}) {
    ShapeClasses classes;
    std::vector<std::set<int32_t>> classesMarks;
    Tally tally;
    for (uint32_t seed = 1; seed <= 3; ++seed) {
      const TextPage page = MakeTextPage(typeface, seed);
      const PageImage scan = Scan(page.grey, noise.deviation, seed * 7);
      ClassifyPage(scan, page, classes, classesMarks, tally);
    }
    EXPECT_EQ(tally.wrong, 0) << noise.name;
    EXPECT_EQ(tally.misweighed, 0) << noise.name;
    // Not vacuous: most scanned letters found a class.
    EXPECT_GE(tally.letterMatches * 100, tally.letters * noise.leastMatchedPercent) << noise.name << ": " << tally.letterMatches << " of " << tally.letters;
  }
}

TEST(ShapeClasses, LossyPagesDrawWhatTheyReport) {
  ResetHost();
  const Typeface typeface = LoadTypeface();
  DocumentWriter document;
  BeginDocument(document, 2);
  ShapeClasses classes;
  std::vector<std::vector<uint8_t>> drawn;
  for (int32_t page = 0; page < 2; ++page) {
    const PageImage scan = Scan(MakeTextPage(typeface, 11 + page).grey, 30, 5 + page);
    const std::vector<uint8_t> original = InkMap(scan, kInk);
    std::vector<uint8_t> ink = original;
    const SpotCounts before = document.counts;
    const LossyPageCounts counts = WriteLossyBitonalPage(document, scan, ink, classes);
    ASSERT_TRUE(EndPage(document));
    int64_t changed = 0;
    for (size_t p = 0; p < ink.size(); ++p) changed += ink[p] != original[p];
    EXPECT_EQ(counts.changedPixels, changed);
    EXPECT_GT(changed, 0);
    drawn.push_back(ink);
    // A shape drawn as its class's representative is a reference, on the
    // second page to shapes stored on the first.
    EXPECT_EQ(document.counts.references - before.references, counts.matches);
    if (page == 1) {
      EXPECT_LT(counts.newClasses * 4, counts.matches);
    }
  }
  for (int32_t page = 0; page < 2; ++page) {
    EXPECT_EQ(InkMap(LoadBuiltPage(document, page), kInk), drawn[static_cast<size_t>(page)]) << "page " << page + 1;
  }
}

// A ring of the size, `thickness` pixels thick.
Shape Ring(int32_t width, int32_t height, int32_t thickness) {
  Shape shape;
  shape.width = width;
  shape.height = height;
  shape.pixels.assign(static_cast<size_t>(width) * height, 0);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const bool inside = x >= thickness && x < width - thickness && y >= thickness && y < height - thickness;
      shape.pixels[static_cast<size_t>(y) * width + x] = inside ? 0 : 1;
      shape.ink += inside ? 0 : 1;
    }
  }
  return shape;
}

void SetPixels(Shape& shape, int32_t left, int32_t top, int32_t width, int32_t height, uint8_t value) {
  for (int32_t y = top; y < top + height; ++y) {
    for (int32_t x = left; x < left + width; ++x) {
      uint8_t& pixel = shape.pixels[static_cast<size_t>(y) * shape.width + x];
      shape.ink += value - pixel;
      pixel = value;
    }
  }
}

// A ring 24 pixels tall and 4 thick, changed in the ways a scan does and in
// the ways another letter would; 24 pixels wide, and 100, whose rows the
// matcher holds in more than one word.
TEST(ShapeMatcher, RefusesLostPartsAndAcceptsEdgeNoise) {
  struct Case {
    const char* name;
    std::function<Shape(int32_t width)> make;
    bool matches;
  };
  const Case cases[] = {
      {"the same", [](int32_t w) { return Ring(w, 24, 4); }, true},
      {"bumps along the edges", [](int32_t w) {
         Shape s = Ring(w, 24, 4);
         for (int32_t i = 2; i < w - 2; i += 5) SetPixels(s, i, 4, 1, 1, 1);
         for (int32_t i = 2; i < 22; i += 5) SetPixels(s, 0, i, 1, 1, 0);
         return s;
       }, true},
      {"one pixel wider on the right", [](int32_t w) {
         Shape s = Ring(w + 1, 24, 4);
         SetPixels(s, w - 4, 4, 1, 16, 1);
         return s;
       }, true},
      {"a bar across, as e against o", [](int32_t w) {
         Shape s = Ring(w, 24, 4);
         SetPixels(s, 4, 10, w - 8, 3, 1);
         return s;
       }, false},
      {"a hairline across, as a thin e against o", [](int32_t w) {
         Shape s = Ring(w, 24, 4);
         SetPixels(s, 4, 11, w - 8, 1, 1);
         return s;
       }, false},
      {"a gap in the side, as c against o", [](int32_t w) {
         Shape s = Ring(w, 24, 4);
         SetPixels(s, w - 4, 8, 4, 8, 0);
         return s;
       }, false},
      {"a dot inside", [](int32_t w) {
         Shape s = Ring(w, 24, 4);
         SetPixels(s, w / 2 - 2, 10, 4, 4, 1);
         return s;
       }, false},
      {"three pixels taller", [](int32_t w) { return Ring(w, 27, 4); }, false},
  };
  for (int32_t width : {24, 100}) {
    const Shape base = Ring(width, 24, 4);
    for (const Case& c : cases) {
      const Shape other = c.make(width);
      ShapeMatch match;
      EXPECT_EQ(MatchShapes(base, other, match), c.matches) << c.name << ", " << width << " wide";
      EXPECT_EQ(MatchShapes(other, base, match), c.matches) << c.name << ", " << width << " wide, the other way";
    }
  }
}

// The best placement by the plain rule: the centred ones, top first, the
// least difference within the limit.
bool PlainMatch(const Shape& shape, const Shape& candidate, ShapeMatch& best) {
  if (!SizesMayMatch(BitsOfShape(shape), BitsOfShape(candidate))) return false;
  auto low = [](int32_t twice) { return (twice >= 0 ? twice : twice - 1) / 2; };
  auto high = [](int32_t twice) { return (twice >= 0 ? twice + 1 : twice) / 2; };
  const int32_t dw = shape.width - candidate.width, dh = shape.height - candidate.height;
  bool found = false;
  for (int32_t dy = low(dh); dy <= high(dh); ++dy) {
    for (int32_t dx = low(dw); dx <= high(dw); ++dx) {
      const int64_t difference = PlainDifference(shape, candidate, dx, dy);
      if (difference < 0 || difference > DifferenceLimit(BitsOfShape(shape))) continue;
      if (found && difference >= best.difference) continue;
      best = ShapeMatch{dx, dy, difference};
      found = true;
    }
  }
  return found;
}

// Rings with specks of noise and a side or bar thicker, some with a bar
// across, a hole in a side or checked patches, on either side of the widths
// at which the matcher's rows take another word.
TEST(ShapeMatcher, AgreesWithThePlainRule) {
  uint32_t state = 3;
  // A ring one pixel wider or taller has a side or bar, either one, one
  // pixel thicker. A checked patch in the hole, in phase 0 or 1, differs
  // from the other phase in every pixel and nowhere apart from its ink.
  auto scanned = [&](int32_t width, int32_t checkedPhase) {
    const int32_t wider = NextRandom(state) % 2, taller = NextRandom(state) % 8 == 0;
    Shape s = Ring(width + wider, 24 + taller, 4);
    SetPixels(s, NextRandom(state) % 2 == 0 ? 4 : width - 4, 4, wider, 16 + taller, 1);
    SetPixels(s, 4, NextRandom(state) % 2 == 0 ? 4 : 20, width - 8 + wider, taller, 1);
    for (int32_t speck = 0; speck < 6; ++speck) {
      const int32_t x = NextRandom(state) % s.width, y = NextRandom(state) % s.height;
      SetPixels(s, x, y, 1, 1, s.At(x, y) ^ 1);
    }
    const uint32_t change = NextRandom(state) % 10;
    if (change == 0) SetPixels(s, 4, 11, width - 8, 2, 1);
    if (change == 1) SetPixels(s, 1 + NextRandom(state) % (width - 4), 1, 3, 3, 0);
    for (int32_t i = 0; checkedPhase >= 0 && i < 9; ++i) {
      SetPixels(s, (width - 4) / 2 + i % 3, 8 + i / 3, 1, 1, (i + checkedPhase) % 2);
    }
    return s;
  };
  int32_t matched = 0, refused = 0;
  for (int32_t width : {20, 59, 60, 61, 62, 123, 124, 125}) {
    for (int32_t trial = 0; trial < 20; ++trial) {
      const bool checked = NextRandom(state) % 5 == 0;
      const Shape shape = scanned(width, checked ? 0 : -1), candidate = scanned(width, checked ? 1 : -1);
      ShapeMatch match, plain;
      const bool found = MatchShapes(shape, candidate, match);
      const std::string name = std::to_string(width) + " wide, trial " + std::to_string(trial);
      ASSERT_EQ(found, PlainMatch(shape, candidate, plain)) << name;
      if (!found) {
        ++refused;
        continue;
      }
      ++matched;
      EXPECT_EQ(match.dx, plain.dx) << name;
      EXPECT_EQ(match.dy, plain.dy) << name;
      EXPECT_EQ(match.difference, plain.difference) << name;
    }
  }
  // Not vacuous: both outcomes are common.
  EXPECT_GT(matched, 40);
  EXPECT_GT(refused, 40);
}

// Of two classes that match, the closer, though the other's ink count is
// nearer the shape's and it is weighed first.
TEST(ShapeClasses, TakesTheClosestClass) {
  const Shape ring = Ring(24, 24, 4);
  Shape moved = ring;  // as much ink, five pixels off the ring and five on
  for (int32_t i = 0; i < 5; ++i) {
    SetPixels(moved, 6 + 3 * i, 4, 1, 1, 1);
    SetPixels(moved, 0, 6 + 3 * i, 1, 1, 0);
  }
  Shape bumped = ring;  // four pixels more
  for (int32_t i = 0; i < 4; ++i) SetPixels(bumped, 6 + 4 * i, 19, 1, 1, 1);
  for (bool bumpedFirst : {false, true}) {
    ShapeClasses classes;
    AddShapeClass(classes, bumpedFirst ? bumped : moved, {});
    AddShapeClass(classes, bumpedFirst ? moved : bumped, {});
    ShapeMatch match;
    EXPECT_EQ(FindShapeClass(classes, ring, match), bumpedFirst ? 0 : 1);
    EXPECT_EQ(match.difference, 4);
  }
}

}  // namespace
