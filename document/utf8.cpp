#include "document/utf8.h"

namespace {

constexpr char32_t kLargestCodePoint = 0x10FFFF;
constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kFirstSurrogate = 0xD800, kLastSurrogate = 0xDFFF;

// The bytes a sequence takes, from its first byte; 0 when none starts so.
size_t SequenceBytes(unsigned char first) {
  if (first < 0x80) return 1;
  if (first >= 0xC2 && first <= 0xDF) return 2;
  if (first >= 0xE0 && first <= 0xEF) return 3;
  if (first >= 0xF0 && first <= 0xF4) return 4;
  return 0;
}

// The smallest code point a sequence of `bytes` may carry.
char32_t SmallestOf(size_t bytes) { return bytes == 2 ? 0x80 : bytes == 3 ? 0x800 : 0x10000; }

}  // namespace

bool IsUtf8(const std::string& text) {
  for (size_t at = 0; at < text.size();) {
    const size_t bytes = SequenceBytes(static_cast<unsigned char>(text[at]));
    if (bytes == 0 || bytes > text.size() - at) return false;
    if (bytes == 1) {
      ++at;
      continue;
    }
    char32_t code = static_cast<unsigned char>(text[at]) & (0x7F >> bytes);
    for (size_t k = 1; k < bytes; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[at + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    if (code < SmallestOf(bytes) || code > kLargestCodePoint) return false;
    if (code >= kFirstSurrogate && code <= kLastSurrogate) return false;
    at += bytes;
  }
  return true;
}

char32_t NextCodePoint(const std::string& text, size_t& at) {
  const size_t bytes = SequenceBytes(static_cast<unsigned char>(text[at]));
  if (bytes == 1) return static_cast<unsigned char>(text[at++]);
  if (bytes == 0 || bytes > text.size() - at) {
    ++at;
    return kReplacement;
  }
  char32_t code = static_cast<unsigned char>(text[at]) & (0x7F >> bytes);
  for (size_t k = 1; k < bytes; ++k) {
    const unsigned char next = static_cast<unsigned char>(text[at + k]);
    if ((next & 0xC0) != 0x80) {
      ++at;
      return kReplacement;
    }
    code = (code << 6) | (next & 0x3F);
  }
  at += bytes;
  return code;
}

void AppendUtf8(std::string& text, char32_t code) {
  if (code < 0x80) {
    text += static_cast<char>(code);
  } else if (code < 0x800) {
    text += static_cast<char>(0xC0 | (code >> 6));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    text += static_cast<char>(0xE0 | (code >> 12));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (code >> 18));
    text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  }
}
