// PNG files through libpng. Errors end the writing through longjmp.
#include <png.h>

#include <csetjmp>
#include <new>

#include "input/image_codecs.h"

namespace {

void Leave(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void AppendBytes(png_structp png, png_bytep data, png_size_t count) {
  std::vector<uint8_t>& bytes = *static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  bool grown = true;
  try {
    bytes.insert(bytes.end(), data, data + count);
  } catch (const std::bad_alloc&) {
    grown = false;  // the error leaves by longjmp, which must not start in a handler
  }
  if (!grown) png_error(png, "out of memory");
}

void FlushNothing(png_structp) {}

bool EncoderFailed(png_structp& png, png_infop& info, std::string& error) {
  png_destroy_write_struct(&png, &info);
  error = "the PNG encoder failed (not enough memory)";
  return false;
}

// Nothing here needs destroying, since an error leaves it by longjmp.
void WriteRows(png_structp png, png_infop info, const uint8_t* samples, int32_t width, int32_t height,
               int channels, png_bytepp rows) {
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               channels == 1 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(channels);
  for (int32_t y = 0; y < height; ++y) rows[y] = const_cast<uint8_t*>(samples) + rowBytes * static_cast<size_t>(y);
  png_set_rows(png, info, rows);
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
}

}  // namespace

bool EncodePngSamples(const std::vector<uint8_t>& samples, int32_t width, int32_t height, int channels,
                      std::vector<uint8_t>& bytes, std::string& error) {
  std::vector<png_bytep> rows(static_cast<size_t>(height));
  bytes.clear();
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Leave, nullptr);
  png_infop info = png == nullptr ? nullptr : png_create_info_struct(png);
  if (info == nullptr) return EncoderFailed(png, info, error);
  if (setjmp(png_jmpbuf(png)) != 0) return EncoderFailed(png, info, error);
  png_set_write_fn(png, &bytes, AppendBytes, FlushNothing);
  WriteRows(png, info, samples.data(), width, height, channels, rows.data());
  png_destroy_write_struct(&png, &info);
  return true;
}
