// The font of the invisible text layer: a composite font of two-byte codes
// (Identity-H) over the embedded glyphless font, every code drawn with its
// one empty glyph, each code's character told by a ToUnicode CMap.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <string>

// The font dictionary, indirect, for the pages' /Font resources, with the
// ToUnicode CMap `toUnicode`.
QPDFObjectHandle MakeTextFont(QPDF& pdf, const std::string& toUnicode);
