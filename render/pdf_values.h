// Numbers and text as PDF writes them: plain decimals whatever the locale,
// two-byte codes in hexadecimal, and text strings that keep every character.
#pragma once

#include <qpdf/QPDFObjectHandle.hh>

#include <cstdint>
#include <string>

// `value` to four decimals at most, without trailing zeros ("12.5", "-3", "0").
std::string PdfNumber(double value);

// `code` as four hexadecimal digits, added to `out`.
void PutHexCode(std::string& out, uint16_t code);

// A text string of UTF-8 `text`: as it is when plain ASCII, else UTF-16BE
// after a byte order mark.
QPDFObjectHandle PdfTextString(const std::string& text);
