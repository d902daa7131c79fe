#include "input/tiff_reader.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include <tiffio.h>

namespace {

constexpr double kCentimetresPerMetre = 100.0;
constexpr double kInchesPerMetre = 1 / 0.0254;
// No one buffer the library allocates for a page may be larger: the
// largest page's pixels as 32-bit values, and then some.
constexpr tmsize_t kLargestLibraryBuffer = tmsize_t{1} << 30;

}  // namespace

struct TiffFile {
  TIFF* tiff = nullptr;
  std::string message;  // the library's first complaint since the last reset
  bool complained = false;
  bool decoding = false;  // warnings count as complaints only while pixels are read
  std::vector<tdir_t> pages;  // the directories of full images, not of their thumbnails
};

namespace {

int Complain(TIFF*, void* user, const char* module, const char* format, va_list arguments) {
  TiffFile* file = static_cast<TiffFile*>(user);
  if (file->complained) return 1;
  char text[512];
  std::vsnprintf(text, sizeof text, format, arguments);
  file->message = module != nullptr && module[0] != '\0' ? std::string(module) + ": " + text : text;
  file->complained = true;
  return 1;
}

int Warn(TIFF* tiff, void* user, const char* module, const char* format, va_list arguments) {
  if (!static_cast<TiffFile*>(user)->decoding) return 1;
  return Complain(tiff, user, module, format, arguments);
}

int32_t PelsPerMetre(float resolution, uint16_t unit) {
  double perMetre = 0;
  if (unit == RESUNIT_INCH) perMetre = resolution * kInchesPerMetre;
  if (unit == RESUNIT_CENTIMETER) perMetre = resolution * kCentimetresPerMetre;
  if (!(perMetre >= 1 && perMetre < INT32_MAX)) return 0;
  return static_cast<int32_t>(perMetre + 0.5);
}

void ReadResolution(TIFF* tiff, PageImage& image) {
  float x = 0, y = 0;
  uint16_t unit = RESUNIT_INCH;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
  if (TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &x) != 1 || TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &y) != 1) return;
  image.xPelsPerMetre = PelsPerMetre(x, unit);
  image.yPelsPerMetre = PelsPerMetre(y, unit);
  if (image.xPelsPerMetre == 0 || image.yPelsPerMetre == 0) image.xPelsPerMetre = image.yPelsPerMetre = 0;
}

// The library's 32-bit ABGR values, composed on white, become 3-byte RGB
// pixels in the same buffer: pixel i's bytes land at 3i, before the 4i of
// the next value still to be read.
void PackRgbInPlace(std::vector<uint8_t>& pixels, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    uint32_t abgr;
    std::memcpy(&abgr, &pixels[4 * i], 4);
    if (TIFFGetA(abgr) == 255) {  // opaque, as scans are: nothing to compose
      pixels[3 * i] = static_cast<uint8_t>(TIFFGetR(abgr));
      pixels[3 * i + 1] = static_cast<uint8_t>(TIFFGetG(abgr));
      pixels[3 * i + 2] = static_cast<uint8_t>(TIFFGetB(abgr));
      continue;
    }
    const uint32_t uncovered = 255 - TIFFGetA(abgr);  // the library premultiplies by alpha
    pixels[3 * i] = static_cast<uint8_t>(TIFFGetR(abgr) + uncovered > 255 ? 255 : TIFFGetR(abgr) + uncovered);
    pixels[3 * i + 1] = static_cast<uint8_t>(TIFFGetG(abgr) + uncovered > 255 ? 255 : TIFFGetG(abgr) + uncovered);
    pixels[3 * i + 2] = static_cast<uint8_t>(TIFFGetB(abgr) + uncovered > 255 ? 255 : TIFFGetB(abgr) + uncovered);
  }
  pixels.resize(3 * count);
}

// Black and white pages in strips, top row first, as scanners and fax
// write them: read a row at a time, without the library's 32-bit picture
// of the page four times the size of the pixels.
bool IsPlainBitonal(TIFF* tiff) {
  uint16_t bits = 0, samples = 0, photometric = 0, orientation = ORIENTATION_TOPLEFT;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation);
  if (TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric) != 1) return false;
  return bits == 1 && samples == 1 && orientation == ORIENTATION_TOPLEFT && !TIFFIsTiled(tiff) &&
         (photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK);
}

bool ReadBitonalRows(TIFF* tiff, uint32_t width, uint32_t height, std::vector<uint8_t>& rgb) {
  uint16_t photometric = 0;
  TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
  const uint8_t setBit = photometric == PHOTOMETRIC_MINISWHITE ? 0 : 255;  // what a 1 bit shows
  // The 24 bytes of the 8 pixels of each byte value.
  constexpr size_t kByteRgb = 8 * 3;
  std::vector<uint8_t> expanded(256 * kByteRgb);
  for (size_t value = 0; value < 256; ++value) {
    for (size_t bit = 0; bit < 8; ++bit) {
      const bool set = (value >> (7 - bit)) & 1u;
      std::memset(&expanded[value * kByteRgb + 3 * bit], set ? setBit : 255 - setBit, 3);
    }
  }
  std::vector<uint8_t> row(static_cast<size_t>(TIFFScanlineSize(tiff)));
  if (row.size() * 8 < width) return false;
  const size_t rowRgb = static_cast<size_t>(width) * 3;
  rgb.resize(rowRgb * height);
  for (uint32_t y = 0; y < height; ++y) {
    if (TIFFReadScanline(tiff, row.data(), y, 0) != 1) return false;
    uint8_t* out = &rgb[rowRgb * y];
    for (size_t done = 0, x = 0; done < rowRgb; done += kByteRgb, ++x) {
      std::memcpy(out + done, &expanded[row[x] * kByteRgb], rowRgb - done < kByteRgb ? rowRgb - done : kByteRgb);
    }
  }
  return true;
}

bool IsThumbnailDirectory(TIFF* tiff) {
  uint32_t kind = 0;
  return TIFFGetField(tiff, TIFFTAG_SUBFILETYPE, &kind) == 1 && (kind & FILETYPE_REDUCEDIMAGE) != 0;
}

// Lists the pages, walking every directory once. A chain of directories
// broken off (a file cut short) must not pass for a shorter document.
bool ListTiffPages(TiffFile* file, std::string& error) {
  file->complained = false;
  tdir_t directory = 0;
  do {
    if (!IsThumbnailDirectory(file->tiff)) file->pages.push_back(directory);
    ++directory;
  } while (TIFFReadDirectory(file->tiff) == 1);
  if (!file->complained) return true;
  error = "is damaged after page " + std::to_string(file->pages.size()) + " (" + file->message + ")";
  return false;
}

}  // namespace

TiffFile* OpenTiff(const char* path, std::string& error) {
  TiffFile* file = new TiffFile;
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetErrorHandlerExtR(options, Complain, file);
  TIFFOpenOptionsSetWarningHandlerExtR(options, Warn, file);
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, kLargestLibraryBuffer);
  file->tiff = TIFFOpenExt(path, "r", options);
  TIFFOpenOptionsFree(options);
  if (file->tiff == nullptr) {
    error = file->complained ? "is not a readable TIFF file (" + file->message + ")" : "cannot be opened";
    delete file;
    return nullptr;
  }
  if (!ListTiffPages(file, error)) {
    CloseTiff(file);
    return nullptr;
  }
  return file;
}

void CloseTiff(TiffFile* file) {
  if (file == nullptr) return;
  TIFFClose(file->tiff);
  delete file;
}

int32_t TiffPageCount(TiffFile* file) {
  return file->pages.size() > INT32_MAX ? INT32_MAX : static_cast<int32_t>(file->pages.size());
}

bool ReadTiffPage(TiffFile* file, int32_t page, int64_t largestPixels, PageImage& image, std::string& error) {
  file->complained = false;
  if (page < 0 || page >= TiffPageCount(file)) {
    error = "is not in the file";
    return false;
  }
  if (TIFFSetDirectory(file->tiff, file->pages[static_cast<size_t>(page)]) != 1) {
    error = "cannot be read (" + (file->complained ? file->message : std::string("no directory")) + ")";
    return false;
  }
  uint32_t width = 0, height = 0;
  TIFFGetField(file->tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(file->tiff, TIFFTAG_IMAGELENGTH, &height);
  if (!AcceptPageSize(width, height, largestPixels, error)) return false;
  char reason[1024] = "";
  if (TIFFRGBAImageOK(file->tiff, reason) != 1) {
    error = std::string("is in a form that cannot be read (") + reason + ")";
    return false;
  }
  const size_t count = static_cast<size_t>(width) * height;
  std::vector<uint8_t> pixels;
  file->decoding = true;
  const bool bitonal = IsPlainBitonal(file->tiff);
  if (!bitonal) pixels.resize(4 * count);
  const int read = bitonal ? ReadBitonalRows(file->tiff, width, height, pixels)
                           : TIFFReadRGBAImageOriented(file->tiff, width, height,
                                                       reinterpret_cast<uint32_t*>(pixels.data()), ORIENTATION_TOPLEFT, 1);
  file->decoding = false;
  // Damaged data often only draws a warning and a page of guesses: both refuse it.
  if (read != 1 || file->complained) {
    error = "is damaged (" + (file->complained ? file->message : std::string("its pixels cannot be read")) + ")";
    return false;
  }
  if (!bitonal) PackRgbInPlace(pixels, count);
  image = PageImage{};
  image.width = static_cast<int32_t>(width);
  image.height = static_cast<int32_t>(height);
  image.rgb = std::move(pixels);
  ReadResolution(file->tiff, image);
  return true;
}
