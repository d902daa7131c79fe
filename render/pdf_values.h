// Numbers and text as PDF writes them: plain decimals whatever the locale,
// and text strings that keep every character.
#pragma once

#include <qpdf/QPDFObjectHandle.hh>

#include <string>

// `value` to four decimals at most, without trailing zeros ("12.5", "-3", "0").
std::string PdfNumber(double value);

// A text string of UTF-8 `text`: as it is when plain ASCII, else UTF-16BE
// after a byte order mark.
QPDFObjectHandle PdfTextString(const std::string& text);
