// The words on a PDF page, as poppler reads them in reading order, placed
// over the page as it is drawn. Runs in the drawing child.
#pragma once

#include <cstdint>
#include <string>

namespace poppler {
class page;
}

// The bytes of the page's words (text_wire.h), their boxes in the pixels
// of the page drawn at `dotsPerInch`: its crop box, turned as the page says.
// False, with `error` worded to follow "page N", for a page with more text
// than a page keeps.
bool PageWordBytes(const poppler::page& page, int32_t dotsPerInch, std::string& bytes, std::string& error);
