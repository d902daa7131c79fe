// The font of the invisible text layer: a composite font of two-byte codes
// (Identity-H) over the embedded glyphless font, every code drawn with its
// one empty glyph, each code's character told by a ToUnicode CMap.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

// The font dictionary, indirect, for the pages' /Font resources.
QPDFObjectHandle MakeTextFont(QPDF& pdf);
