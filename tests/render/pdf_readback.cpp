#include "tests/render/pdf_readback.h"

#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <tiffio.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "render/page_pixels.h"
#include "tests/test_support.h"

namespace pdf_test {

// Its messages go where the test's go.
std::string Output(const std::string& command, int* status) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, got);
  const int result = pclose(pipe);
  if (status != nullptr) *status = result;
  return out;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

namespace {

// The next number of a PNM header, past spaces and comments.
int HeaderNumber(std::istream& in) {
  while (in >> std::ws && in.peek() == '#') in.ignore(1 << 20, '\n');
  int number = 0;
  in >> number;
  return number;
}

// A binary PPM (P6, maxval 255) as the renderers write it.
RgbImage ReadPpm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic(2, ' ');
  in.read(magic.data(), 2);
  RgbImage image;
  image.width = HeaderNumber(in);
  image.height = HeaderNumber(in);
  const int maxval = HeaderNumber(in);
  in.get();
  if (magic != "P6" || maxval != 255) return {};
  image.rgb.resize(3 * static_cast<size_t>(image.width) * static_cast<size_t>(image.height));
  in.read(reinterpret_cast<char*>(image.rgb.data()), static_cast<std::streamsize>(image.rgb.size()));
  return image;
}

}  // namespace

std::string Messages(const std::string& command) { return Output(command + " 2>&1"); }

Drawing DrawnByGhostscript(const std::string& pdf, int page, int dotsPerInch) {
  const std::string out = testing_support::TempPath("drawn-gs.ppm");
  const std::string number = std::to_string(page);
  const std::string said = Messages("gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=ppmraw -r" + std::to_string(dotsPerInch) +
                                    " -dFirstPage=" + number + " -dLastPage=" + number + " -sOutputFile=" +
                                    Quoted(out) + " " + Quoted(pdf));
  return {ReadPpm(out), said};
}

Drawing DrawnByPoppler(const std::string& pdf, int page, int dotsPerInch) {
  const std::string prefix = testing_support::TempPath("drawn-poppler");
  const std::string number = std::to_string(page);
  const std::string said = Messages("pdftoppm -r " + std::to_string(dotsPerInch) + " -f " + number + " -l " + number +
                                    " -singlefile " + Quoted(pdf) + " " + Quoted(prefix));
  return {ReadPpm(prefix + ".ppm"), said};
}

RgbImage BuiltPage(const kwen::Document& document, int32_t page) {
  const kwen::Bitmap built = document.BuildPage(page);
  std::vector<RgbQuad> table;
  PagePixels pixels{};
  std::string error;
  RgbImage image{built.width, built.height, {}};
  if (!OpenBitmapPixels(built, table, pixels, error)) return {};
  image.rgb.resize(3 * static_cast<size_t>(built.width) * static_cast<size_t>(built.height));
  for (int32_t y = 0; y < built.height; ++y) {
    PageRowRgb(pixels, y, image.rgb.data() + 3 * static_cast<size_t>(built.width) * static_cast<size_t>(y));
  }
  return image;
}

int64_t DifferingPixels(const RgbImage& a, const RgbImage& b) {
  int64_t differing = 0;
  for (size_t at = 0; at + 2 < a.rgb.size(); at += 3) {
    if (a.rgb[at] == b.rgb[at] && a.rgb[at + 1] == b.rgb[at + 1] && a.rgb[at + 2] == b.rgb[at + 2]) continue;
    if (differing++ == 0) {
      const size_t pixel = at / 3;
      ADD_FAILURE() << "the first at " << pixel % static_cast<size_t>(a.width) << ", " << pixel / static_cast<size_t>(a.width)
                    << ": " << int{a.rgb[at]} << " " << int{a.rgb[at + 1]} << " " << int{a.rgb[at + 2]} << " against "
                    << int{b.rgb[at]} << " " << int{b.rgb[at + 1]} << " " << int{b.rgb[at + 2]};
    }
  }
  return differing;
}

double MeanDifference(const RgbImage& a, const RgbImage& b) {
  int64_t sum = 0;
  for (size_t at = 0; at < a.rgb.size(); ++at) sum += std::abs(int{a.rgb[at]} - int{b.rgb[at]});
  return a.rgb.empty() ? 0 : static_cast<double>(sum) / static_cast<double>(a.rgb.size());
}

bool PassesCheck(const std::string& pdf) {
  int status = -1;
  const std::string said = Output("qpdf --check " + Quoted(pdf), &status);
  return status == 0 && said.find("No syntax or stream encoding errors") != std::string::npos;
}

std::vector<std::vector<std::string>> ColourSpaces(const std::string& pdf) {
  QPDF file;
  file.processFile(pdf.c_str());
  std::vector<std::vector<std::string>> pages;
  for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(file).getAllPages()) {
    pages.emplace_back();
    for (auto& [name, image] : page.getImages()) {
      QPDFObjectHandle space = image.getDict().getKey("/ColorSpace");
      if (space.isName()) pages.back().push_back(space.getName());
      if (space.isArray()) pages.back().push_back(space.getArrayItem(0).getName() + " " + space.getArrayItem(1).getName());
    }
  }
  return pages;
}

namespace {

void ReadOutline(std::vector<QPDFOutlineObjectHelper> items, QPDFPageDocumentHelper& pages, int level,
                 std::vector<OutlineEntry>& into) {
  const std::vector<QPDFPageObjectHelper> all = pages.getAllPages();
  for (QPDFOutlineObjectHelper& item : items) {
    int number = 0;
    for (size_t i = 0; i < all.size(); ++i) {
      if (all[i].getObjectHandle().getObjGen() == item.getDestPage().getObjGen()) number = static_cast<int>(i) + 1;
    }
    into.push_back({item.getTitle(), number, level});
    ReadOutline(item.getKids(), pages, level + 1, into);
  }
}

}  // namespace

std::vector<OutlineEntry> OutlineOf(const std::string& pdf) {
  QPDF file;
  file.processFile(pdf.c_str());
  QPDFOutlineDocumentHelper outline(file);
  QPDFPageDocumentHelper pages(file);
  std::vector<OutlineEntry> entries;
  ReadOutline(outline.getTopLevelOutlines(), pages, 0, entries);
  return entries;
}

std::string TitleOf(const std::string& pdf) {
  const std::string info = Output("pdfinfo -enc UTF-8 " + Quoted(pdf));
  const size_t at = info.find("Title:");
  if (at == std::string::npos) return "";
  const size_t start = info.find_first_not_of(' ', at + 6);
  return info.substr(start, info.find('\n', start) - start);
}

namespace {

std::vector<uint8_t> BilevelBits(const RgbImage& page, size_t& rowBytes) {
  rowBytes = (static_cast<size_t>(page.width) + 7) / 8;
  std::vector<uint8_t> bits(rowBytes * static_cast<size_t>(page.height), 0);
  for (int32_t y = 0; y < page.height; ++y) {
    for (int32_t x = 0; x < page.width; ++x) {
      if (page.rgb[3 * (static_cast<size_t>(y) * static_cast<size_t>(page.width) + static_cast<size_t>(x))] == 0) {
        bits[rowBytes * static_cast<size_t>(y) + static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  return bits;
}

}  // namespace

// A strip a page.
size_t Group4TiffBytes(const kwen::Document& document, const std::string& path) {
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  if (tiff == nullptr) return 0;
  for (int32_t page = 0; page < document.PageCount(); ++page) {
    const RgbImage built = BuiltPage(document, page);
    size_t rowBytes = 0;
    std::vector<uint8_t> bits = BilevelBits(built, rowBytes);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(built.width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(built.height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(built.height));
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 300.0f);
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 300.0f);
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFWriteEncodedStrip(tiff, 0, bits.data(), static_cast<tmsize_t>(bits.size()));
    TIFFWriteDirectory(tiff);
  }
  TIFFClose(tiff);
  return testing_support::ReadFileBytes(path).size();
}

}  // namespace pdf_test
