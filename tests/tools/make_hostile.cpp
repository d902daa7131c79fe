// Writes small hostile documents and page images into a folder: each is a
// few bytes that once cost seconds, gigabytes or a write past a buffer.
// The command-line tests open them all; the fuzz targets start from them.
// Usage: make_hostile FOLDER
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/viewer/document/document_builder.h"
#include "tests/utility/packed_tokens.h"
#include "utility/memory_pack.h"

using namespace testing_support;

namespace {

constexpr uint32_t kHugeHeight = (1u << 28) - 1;  // just under the largest spot buffer
constexpr int kRepeats = 1000;

Bytes Document(const PageWriter& page) { return AssembleDocument({page.record}); }

// 1000 masks one pixel wide and 2^28 - 1 high on a small page.
Bytes ThinTallSpots() {
  PageWriter page(16, 8, 1, BlackWhite());
  for (int i = 0; i < kRepeats; ++i) page.Inline(0, 0, 1, kHugeHeight, {});
  return Document(page);
}

// 1000 references to one such mask.
Bytes ReferencesToTallSpot() {
  PageWriter page(16, 8, 1, BlackWhite());
  const size_t field = page.Inline(0, 0, 1, kHugeHeight, {});
  const int32_t offset = RecordOffset({page.record}, 1, 0) + static_cast<int32_t>(field);
  for (int i = 0; i < kRepeats; ++i) page.Reference(0, 0, offset);
  return Document(page);
}

// A page of 0 bits per pixel, 2^31 - 1 pixels wide.
Bytes ZeroBitPage() {
  PageWriter page(0x7FFFFFFF, 1, 0, {});
  page.Inline(0, 0, 1, 1, {});
  return Document(page);
}

// A 7-bit page 2^27 pixels wide: whitening it must not go pixel by pixel.
Bytes SevenBitWidePage() {
  PageWriter page(1 << 27, 1, 7, {});
  page.Inline(0, 0, 1, 1, {});
  return Document(page);
}

// A compact picture 1 x 30,000,000 in a few bytes.
Bytes CompactTallPicture() {
  PageWriter page(16, 8, 24, {});
  page.CompactEscape(8);
  page.Inline(0, 0, 1, 30000000, {});
  return Document(page);
}

// A reference to bytes that read as the height +1 and the width 0 (in the
// header's reserved field): a compact picture of height 2^32 - 1, width 0.
Bytes CompactWithoutWidth() {
  constexpr size_t kReservedField = 6;
  PageWriter page(16, 8, 24, {});
  page.record[kReservedField] = 0x02;
  page.CompactEscape(8);
  page.Reference(0, 0, RecordOffset({page.record}, 1, 0) + static_cast<int32_t>(kReservedField));
  return Document(page);
}

// The packed form of `prefix` followed by matches of `extra` bytes in all,
// each of 16 MiB at most: a few bytes that restore to gigabytes.
Bytes PackedBomb(const Bytes& prefix, int64_t extra) {
  constexpr int64_t kLongestPiece = int64_t{1} << 24;
  std::vector<TestToken> tokens;
  for (uint8_t byte : prefix) tokens.push_back({1, byte});
  for (int64_t left = extra; left > 0; left -= kLongestPiece) {
    tokens.push_back({left < kLongestPiece ? left : kLongestPiece, 0});
  }
  return PackTokens(tokens, 24);
}

Bytes ValidPage() {
  PageWriter page(16, 8, 1, BlackWhite());
  page.Inline(2, 5, 4, 3, MaskFromRows({"####", "#..#", "####"}));
  return Document(page);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_hostile FOLDER\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  const Bytes tall = CompactTallPicture();
  const std::vector<std::pair<std::string, Bytes>> files = {
      {"thin_tall_spots.bs", ThinTallSpots()},
      {"references_to_tall_spot.bs", ReferencesToTallSpot()},
      {"zero_bit_page.bs", ZeroBitPage()},
      {"seven_bit_wide_page.bs", SevenBitWidePage()},
      {"compact_tall_picture.bs", tall},
      {"compact_without_width.bs", CompactWithoutWidth()},
      {"compact_tall_picture.kwen", PackBytes(tall.data(), tall.size(), Switches{})},
      // A document of one page, and then gigabytes past its end.
      {"trailing_bomb.kwen", PackedBomb(ValidPage(), int64_t{1} << 31)},
      // A stream that restores to more than 2 GiB before its table ends.
      {"table_bomb.kwen", PackedBomb(BytesOf("KNWE"), int64_t{1} << 31)},
      {"wide_product.ppm", BytesOf("P6 2900561549 4239809835 255\n0123456789abc")},
      {"widest.ppm", BytesOf("P6 4294967291 4294967294 255\n0123456789abc")},
      {"wide_plain.pgm", BytesOf("P2 4294967295 2 255\n1 2 3")},
  };
  for (const auto& [name, bytes] : files) WriteFileBytes(folder + name, bytes);
  return 0;
}
