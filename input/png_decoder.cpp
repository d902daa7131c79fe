// PNG files through libpng, to 8-bit RGB: palettes and low depths expanded,
// 16-bit samples cut to their high byte, greys repeated, transparency and
// alpha dropped (as the Windows build's decoder does). Errors end the
// decoding through longjmp with the library's message.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "input/image_codecs.h"

namespace {

struct Reading {
  const std::vector<uint8_t>* bytes;
  size_t position;
  char message[128];
};

void Leave(png_structp png, png_const_charp message) {
  Reading* reading = static_cast<Reading*>(png_get_error_ptr(png));
  std::strncpy(reading->message, message, sizeof reading->message - 1);
  png_longjmp(png, 1);
}

// Warnings are of ancillary chunks the decoding does without.
void IgnoreWarning(png_structp, png_const_charp) {}

void ReadBytes(png_structp png, png_bytep data, png_size_t count) {
  Reading* reading = static_cast<Reading*>(png_get_io_ptr(png));
  if (count > reading->bytes->size() - reading->position) png_error(png, "the file is cut short");
  std::memcpy(data, reading->bytes->data() + reading->position, count);
  reading->position += count;
}

// Asks the library for 8-bit RGB rows, whatever the file holds.
void AskForRgb(png_structp png, png_infop info) {
  png_set_palette_to_rgb(png);
  png_set_expand_gray_1_2_4_to_8(png);
  png_set_strip_16(png);
  png_set_strip_alpha(png);
  png_set_gray_to_rgb(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
}

// Nothing here needs destroying, since an error leaves it by longjmp.
void ReadRows(png_structp png, png_infop info, PageImage& image, png_bytepp rows) {
  for (int32_t y = 0; y < image.height; ++y) rows[y] = image.rgb.data() + size_t{3} * image.width * y;
  png_read_image(png, rows);
  png_read_end(png, info);
}

}  // namespace

bool DecodePng(const std::vector<uint8_t>& bytes, int64_t largestPixels, PageImage& image, std::string& error) {
  Reading reading{&bytes, 0, {}};
  std::vector<png_bytep> rows;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reading, Leave, IgnoreWarning);
  png_infop info = png == nullptr ? nullptr : png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    error = "cannot be read (not enough memory)";
    return false;
  }
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = std::string("is not a readable image (") + reading.message + ")";
    return false;
  }
  png_set_read_fn(png, &reading, ReadBytes);
  png_read_info(png, info);
  if (!AcceptPageSize(png_get_image_width(png, info), png_get_image_height(png, info), largestPixels, error)) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  AskForRgb(png, info);
  image.width = static_cast<int32_t>(png_get_image_width(png, info));
  image.height = static_cast<int32_t>(png_get_image_height(png, info));
  image.rgb.assign(size_t{3} * image.width * image.height, 0);
  rows.resize(static_cast<size_t>(image.height));
  ReadRows(png, info, image, rows.data());
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}
