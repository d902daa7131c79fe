#include "render/pdf_text_font.h"

#include <string>

#include "render/glyphless_font.h"

namespace {

constexpr size_t kCodeCount = 0x10000;
constexpr int kSymbolicFlags = 1 | 4;  // fixed pitch, not the standard Latin characters

QPDFObjectHandle Name(const std::string& name) { return QPDFObjectHandle::newName(name); }
QPDFObjectHandle Integer(long long value) { return QPDFObjectHandle::newInteger(value); }

QPDFObjectHandle Stream(QPDF& pdf, const std::string& bytes) { return pdf.newStream(bytes); }

// Every code to the empty glyph: a CID must name a glyph the font has.
std::string AllCodesToOneGlyph() {
  std::string map;
  map.reserve(2 * kCodeCount);
  for (size_t code = 0; code < kCodeCount; ++code) {
    map += static_cast<char>(kGlyphlessGlyph >> 8);
    map += static_cast<char>(kGlyphlessGlyph & 0xFF);
  }
  return map;
}

QPDFObjectHandle Descriptor(QPDF& pdf) {
  const std::string fontFile = GlyphlessFont();
  QPDFObjectHandle file = Stream(pdf, fontFile);
  file.getDict().replaceKey("/Length1", Integer(static_cast<long long>(fontFile.size())));
  QPDFObjectHandle descriptor = QPDFObjectHandle::newDictionary();
  descriptor.replaceKey("/Type", Name("/FontDescriptor"));
  descriptor.replaceKey("/FontName", Name(std::string("/") + kGlyphlessFontName));
  descriptor.replaceKey("/Flags", Integer(kSymbolicFlags));
  descriptor.replaceKey("/FontBBox", QPDFObjectHandle::newArray({Integer(0), Integer(kGlyphlessDescent),
                                                                  Integer(kGlyphlessAdvance), Integer(kGlyphlessAscent)}));
  descriptor.replaceKey("/ItalicAngle", Integer(0));
  descriptor.replaceKey("/Ascent", Integer(kGlyphlessAscent));
  descriptor.replaceKey("/Descent", Integer(kGlyphlessDescent));
  descriptor.replaceKey("/CapHeight", Integer(kGlyphlessAscent));
  descriptor.replaceKey("/StemV", Integer(0));
  descriptor.replaceKey("/FontFile2", file);
  return pdf.makeIndirectObject(descriptor);
}

QPDFObjectHandle DescendantFont(QPDF& pdf) {
  QPDFObjectHandle systemInfo = QPDFObjectHandle::newDictionary();
  systemInfo.replaceKey("/Registry", QPDFObjectHandle::newString("Adobe"));
  systemInfo.replaceKey("/Ordering", QPDFObjectHandle::newString("Identity"));
  systemInfo.replaceKey("/Supplement", Integer(0));
  QPDFObjectHandle font = QPDFObjectHandle::newDictionary();
  font.replaceKey("/Type", Name("/Font"));
  font.replaceKey("/Subtype", Name("/CIDFontType2"));
  font.replaceKey("/BaseFont", Name(std::string("/") + kGlyphlessFontName));
  font.replaceKey("/CIDSystemInfo", systemInfo);
  font.replaceKey("/FontDescriptor", Descriptor(pdf));
  font.replaceKey("/DW", Integer(kGlyphlessAdvance));
  font.replaceKey("/CIDToGIDMap", Stream(pdf, AllCodesToOneGlyph()));
  return pdf.makeIndirectObject(font);
}

}  // namespace

QPDFObjectHandle MakeTextFont(QPDF& pdf, const std::string& toUnicode) {
  QPDFObjectHandle font = QPDFObjectHandle::newDictionary();
  font.replaceKey("/Type", Name("/Font"));
  font.replaceKey("/Subtype", Name("/Type0"));
  font.replaceKey("/BaseFont", Name(std::string("/") + kGlyphlessFontName));
  font.replaceKey("/Encoding", Name("/Identity-H"));
  font.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray({DescendantFont(pdf)}));
  font.replaceKey("/ToUnicode", Stream(pdf, toUnicode));
  return pdf.makeIndirectObject(font);
}
