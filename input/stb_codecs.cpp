// JPEG and PNG through the bundled single-header library, for the Windows
// build, which links statically and has no other JPEG or PNG library.
#include "input/image_codecs.h"

#include "input/stb_decoder.h"

#define STBI_WRITE_NO_STDIO
#include "stb_image_write.h"

namespace {

void AppendPngBytes(void* context, void* data, int size) {
  const uint8_t* from = static_cast<const uint8_t*>(data);
  std::vector<uint8_t>& bytes = *static_cast<std::vector<uint8_t>*>(context);
  bytes.insert(bytes.end(), from, from + size);
}

}  // namespace

bool DecodeJpeg(const std::vector<uint8_t>& bytes, int64_t largestPixels, PageImage& image, std::string& error) {
  return DecodeWithStb(bytes, largestPixels, image, error);
}

bool DecodePng(const std::vector<uint8_t>& bytes, int64_t largestPixels, PageImage& image, std::string& error) {
  return DecodeWithStb(bytes, largestPixels, image, error);
}

bool EncodePngSamples(const std::vector<uint8_t>& samples, int32_t width, int32_t height, int channels,
                      std::vector<uint8_t>& bytes, std::string& error) {
  bytes.clear();
  if (stbi_write_png_to_func(AppendPngBytes, &bytes, width, height, channels, samples.data(), width * channels) == 0) {
    error = "the PNG encoder failed (not enough memory)";
    return false;
  }
  return true;
}
