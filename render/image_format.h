// The image formats a page is rendered to, told by the output's extension.
#pragma once

#include <string>

enum class ImageFormat { kBmp, kPng, kPbm, kPgm, kPpm };

// The extensions, for messages: ".bmp, .png, .pbm, .pgm or .ppm".
extern const char kImageExtensions[];

// The format of a name's extension, in any case. False when the name has
// none of them.
bool FormatOfName(const std::string& name, ImageFormat& format);
