#include "render/pdf_values.h"

#include <qpdf/QUtil.hh>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

// A ten-thousandth of a point is far below what any device shows.
constexpr int kDecimals = 4;

}  // namespace

std::string PdfNumber(double value) {
  if (!std::isfinite(value)) return "0";
  char text[64];
  const std::to_chars_result end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, kDecimals);
  if (end.ec != std::errc()) return "0";
  std::string number(text, end.ptr);
  number.erase(number.find_last_not_of('0') + 1);
  if (number.back() == '.') number.pop_back();
  if (number == "-0") number = "0";
  return number;
}

void PutHexCode(std::string& out, uint16_t code) {
  static const char kDigits[] = "0123456789ABCDEF";
  for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(code >> shift) & 0xF];
}

QPDFObjectHandle PdfTextString(const std::string& text) {
  const bool ascii = std::all_of(text.begin(), text.end(), [](char letter) { return static_cast<uint8_t>(letter) < 0x80; });
  return QPDFObjectHandle::newString(ascii ? text : QUtil::utf8_to_utf16(text));
}
