#include "builder/spot_finder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::vector<uint8_t> MapFromRows(const std::vector<std::string>& rows) {
  std::vector<uint8_t> map;
  for (const std::string& row : rows) {
    for (char c : row) map.push_back(c == '#' ? 1 : 0);
  }
  return map;
}

std::vector<Component> Find(const std::vector<std::string>& rows) {
  return FindComponents(MapFromRows(rows), static_cast<int32_t>(rows[0].size()), static_cast<int32_t>(rows.size()));
}

struct Box {
  int32_t left, top, right, bottom;
  bool operator==(const Box& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

std::vector<Box> Boxes(const std::vector<Component>& components) {
  std::vector<Box> boxes;
  for (const Component& c : components) boxes.push_back(Box{c.left, c.top, c.right, c.bottom});
  return boxes;
}

TEST(FindComponents, EightConnectedGroups) {
  struct Case {
    const char* name;
    std::vector<std::string> rows;
    std::vector<Box> boxes;  // in order of their first run
  };
  const Case cases[] = {
      {"nothing", {"....", "...."}, {}},
      {"corners touch", {"#...", ".#..", "..#."}, {{0, 0, 2, 2}}},
      {"a gap of one column", {"#.#", "#.#"}, {{0, 0, 0, 1}, {2, 0, 2, 1}}},
      {"a U joins at its foot", {"#..#", "#..#", "####"}, {{0, 0, 3, 2}}},
      {"a ring and its dot", {"#####", "#...#", "#.#.#", "#...#", "#####"}, {{0, 0, 4, 4}, {2, 2, 2, 2}}},
      {"diagonal the other way", {"..#", ".#.", "#.."}, {{0, 0, 2, 2}}},
      {"rows apart", {"##", "..", "##"}, {{0, 0, 1, 0}, {0, 2, 1, 2}}},
      {"a V opening upwards", {"#...#", ".#.#.", "..#.."}, {{0, 0, 4, 2}}},
  };
  for (const Case& test : cases) EXPECT_EQ(Boxes(Find(test.rows)), test.boxes) << test.name;
}

TEST(ComponentMask, BottomRowFirstLeftmostInBitSeven) {
  const std::vector<std::string> rows = {"#.........", "##########"};
  std::vector<Component> components = Find(rows);
  ASSERT_EQ(components.size(), 1u);
  EXPECT_EQ(ComponentMask(components[0]), (std::vector<uint8_t>{0xFF, 0xC0, 0x80, 0x00}));
}

TEST(SortReadingOrder, LinesDownwardsThenLeftToRight) {
  // Two lines of letters of uneven tops, and a frame down the side taller
  // than both that must not join them into one.
  const std::vector<std::string> rows = {
      "#..........",  // 0
      "#.##...#...",  // 1
      "#.##.#.#...",  // 2
      "#.##.#.#...",  // 3
      "#..........",  // 4
      "#..........",  // 5
      "#...#..##..",  // 6
      "#.#.#..##..",  // 7
      "#.#.#..##..",  // 8
      "#..........",  // 9
      "#..........",  // 10
  };
  std::vector<Component> components = Find(rows);
  SortReadingOrder(components);
  const std::vector<Box> expected = {{0, 0, 0, 10}, {2, 1, 3, 3}, {5, 2, 5, 3}, {7, 1, 7, 3},
                                     {2, 7, 2, 8},  {4, 6, 4, 8}, {7, 6, 8, 8}};
  EXPECT_EQ(Boxes(components), expected);
}

}  // namespace
