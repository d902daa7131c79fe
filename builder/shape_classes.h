// The classes of matching shapes of a whole document, for lossy building:
// each class is stored once, by its representative, and every member is
// drawn as that representative.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "builder/document_writer.h"
#include "builder/shape_matcher.h"

// The most shapes a new shape is compared with in full: the classes of its
// size, newest first, up to this bound, so that a document of hundreds of
// pages costs time in proportion to its pages.
constexpr int32_t kMostComparisons = 400;

struct ShapeClass {
  Shape representative;
  Bytes mask;  // the representative as the document stores a mask
  int32_t members = 0;
  ShapeBits bits;  // the representative as compared
};

struct ShapeClasses {
  std::vector<ShapeClass> classes;
  // Class numbers by the representative's width and height.
  std::unordered_map<uint64_t, std::vector<int32_t>> bySize;
};

// The class whose representative stands for the shape, with its placement,
// or -1 when none does.
int32_t FindShapeClass(const ShapeClasses& classes, const Shape& shape, ShapeMatch& match);
// A new class with the shape as its representative; returns its number.
int32_t AddShapeClass(ShapeClasses& classes, Shape shape, Bytes mask);
