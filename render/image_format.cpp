#include "render/image_format.h"

#include <cctype>

namespace {

// The letters held in place (not pointed at), so that the table is
// read-only data with nothing to relocate.
struct Extension {
  char text[4];
  ImageFormat format;
};

constexpr Extension kExtensions[] = {{"bmp", ImageFormat::kBmp},
                                     {"png", ImageFormat::kPng},
                                     {"pbm", ImageFormat::kPbm},
                                     {"pgm", ImageFormat::kPgm},
                                     {"ppm", ImageFormat::kPpm}};

std::string Lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

const char kImageExtensions[] = ".bmp, .png, .pbm, .pgm or .ppm";

bool FormatOfName(const std::string& name, ImageFormat& format) {
  const size_t dot = name.find_last_of('.');
  const size_t folder = name.find_last_of("/\\");
  if (dot == std::string::npos || (folder != std::string::npos && folder > dot)) return false;
  const std::string extension = Lowered(name.substr(dot + 1));
  for (const Extension& known : kExtensions) {
    if (extension == known.text) {
      format = known.format;
      return true;
    }
  }
  return false;
}
