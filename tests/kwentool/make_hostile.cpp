// Writes small hostile documents and page images into a folder: each is a
// few bytes that once cost seconds, gigabytes or a write past a buffer.
// The command-line tests open them all; the fuzz targets start from them.
// Usage: make_hostile FOLDER
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#define STBI_WRITE_NO_STDIO
#include "stb_image_write.h"
#include "tests/document/document_builder.h"
#include "tests/engine/packed_tokens.h"
#include "engine/memory_pack.h"
#include "document/document_layout.h"

using namespace testing_support;

namespace {

constexpr uint32_t kHugeHeight = (1u << 28) - 1;  // just under the largest spot buffer
constexpr int kRepeats = 1000;
constexpr int32_t kLargestSide = 8192;  // 2^26 pixels: the largest page image a build reads
constexpr uint32_t kWhite24 = 0xFFFFFF;

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

// A 7-bit page of 2^31 - 1 pixels across (a bitmap of 1.75 GiB) whose one
// spot refers outside the document: refused before its bitmap is set aside.
Bytes WidestPageWithBadSpot() {
  PageWriter page(0x7FFFFFFF, 1, 7, {});
  page.Reference(0, 0, 0x7FFFFFF0);
  return Document(page);
}

// The most pages a document holds, each a white 24-bit page of 2^26 pixels.
Bytes WhitePages() {
  PageWriter page(kLargestSide, kLargestSide, 24, {});
  page.ColourEscape(kWhite24);
  page.Inline(0, 0, 1, 1, {0xFF, 0xFF, 0xFF});
  const Bytes document = AssembleDocument(std::vector<Bytes>(kMaxPages, page.record));
  return PackBytes(document.data(), document.size(), Switches{});
}

void AppendBytes(void* context, void* data, int size) {
  Bytes& bytes = *static_cast<Bytes*>(context);
  bytes.insert(bytes.end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

// A grey PNG of 2^26 pixels with a black dot at every other pixel of every
// other row: 2^24 spots.
Bytes IsolatedDotsPng() {
  std::vector<uint8_t> grey(static_cast<size_t>(kLargestSide) * kLargestSide, 0xFF);
  for (size_t y = 0; y < kLargestSide; y += 2) {
    for (size_t x = 0; x < kLargestSide; x += 2) grey[y * kLargestSide + x] = 0;
  }
  Bytes png;
  stbi_write_png_to_func(AppendBytes, &png, kLargestSide, kLargestSide, 1, grey.data(), kLargestSide);
  return png;
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

// A PDF file of `objects`, numbered from 1, the first the catalogue.
Bytes PdfOf(const std::vector<std::string>& objects) {
  const std::string count = std::to_string(objects.size() + 1);
  std::string pdf = "%PDF-1.4\n";
  std::string table = "xref\n0 " + count + "\n0000000000 65535 f \n";
  for (size_t i = 0; i < objects.size(); ++i) {
    char entry[24];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", pdf.size());
    table += entry;
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const std::string tableOffset = std::to_string(pdf.size());
  pdf += table + "trailer\n<< /Size " + count + " /Root 1 0 R >>\nstartxref\n" + tableOffset + "\n%%EOF\n";
  return BytesOf(pdf);
}

std::string PdfStream(const std::string& dictionary, const std::string& content) {
  return "<< " + dictionary + " /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream";
}

// The catalogue, the page tree and US letter pages of the given resources
// and contents, each page followed by its contents: objects 1 to 2n + 2.
// Further objects are numbered from 2n + 3.
std::vector<std::string> PdfPages(const std::vector<std::pair<std::string, std::string>>& pages) {
  std::string kids;
  for (size_t i = 0; i < pages.size(); ++i) kids += std::to_string(3 + 2 * i) + " 0 R ";
  const std::string count = std::to_string(pages.size());
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>",
                                      "<< /Type /Pages /Kids [" + kids + "] /Count " + count + " >>"};
  for (const auto& [resources, contents] : pages) {
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources " + resources +
                      " /Contents " + std::to_string(objects.size() + 2) + " 0 R >>");
    objects.push_back(PdfStream("", contents));
  }
  return objects;
}

// A plain page, then a page of forms nested ten deep, each drawing the next
// 16 times: 16^9 fills in 6 KB.
Bytes NestedFormsPdf() {
  constexpr int kDepth = 10;
  constexpr int kCopies = 16;
  std::vector<std::string> objects =
      PdfPages({{"<< >>", "0 0 100 100 re f"}, {"<< /XObject << /X 7 0 R >> >>", "/X Do"}});
  std::string copies;
  for (int i = 0; i < kCopies; ++i) {
    copies += "q 0.9 0 0 0.9 " + std::to_string(i) + " " + std::to_string(i) + " cm /X Do Q ";
  }
  for (int level = 1; level < kDepth; ++level) {
    const std::string next = std::to_string(objects.size() + 2);
    objects.push_back(PdfStream("/Type /XObject /Subtype /Form /BBox [0 0 612 792] /Resources << /XObject << /X " +
                                    next + " 0 R >> >>",
                                copies));
  }
  objects.push_back(PdfStream("/Type /XObject /Subtype /Form /BBox [0 0 612 792]", "0 0 612 792 re f"));
  return PdfOf(objects);
}

// A page filled with a tiling pattern of cells 1/100 point square.
Bytes TinyTilesPdf() {
  std::vector<std::string> objects =
      PdfPages({{"<< /Pattern << /P 5 0 R >> >>", "/Pattern cs /P scn 0 0 612 792 re f"}});
  objects.push_back(PdfStream("/Type /Pattern /PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 0.01 0.01] "
                              "/XStep 0.01 /YStep 0.01 /Resources << >>",
                              "0 0 0.005 0.005 re f"));
  return PdfOf(objects);
}

// A page covered by an image declared 150,000 pixels square, with no data.
Bytes ImageBombPdf() {
  std::vector<std::string> objects = PdfPages({{"<< /XObject << /I 5 0 R >> >>", "612 0 0 792 0 0 cm /I Do"}});
  objects.push_back(PdfStream("/Type /XObject /Subtype /Image /Width 150000 /Height 150000 /ColorSpace /DeviceRGB "
                              "/BitsPerComponent 8",
                              ""));
  return PdfOf(objects);
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
      {"widest_page_bad_spot.bs", WidestPageWithBadSpot()},
      {"white_pages.kwen", WhitePages()},
      {"isolated_dots.png", IsolatedDotsPng()},
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
      {"nested_forms.pdf", NestedFormsPdf()},
      {"tiny_tiles.pdf", TinyTilesPdf()},
      {"image_bomb.pdf", ImageBombPdf()},
  };
  for (const auto& [name, bytes] : files) WriteFileBytes(folder + name, bytes);
  return 0;
}
