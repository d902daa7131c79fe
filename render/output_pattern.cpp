#include "render/output_pattern.h"

namespace {

constexpr char kFieldMark = '%';
constexpr char kDecimal = 'd';
constexpr char kZero = '0';

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads "d" or "0Nd" (one digit N from 1) after a '%' at `at`; `end` is set past the field.
bool ParseField(const std::string& text, size_t at, int& width, size_t& end) {
  size_t next = at + 1;
  width = 0;
  if (next < text.size() && text[next] == kZero) {
    ++next;
    if (next >= text.size() || !IsDigit(text[next]) || text[next] == kZero) return false;
    width = text[next] - '0';
    ++next;
  }
  if (next >= text.size() || text[next] != kDecimal) return false;
  end = next + 1;
  return true;
}

}  // namespace

bool ParseOutputPattern(const std::string& text, OutputPattern& pattern, std::string& error) {
  pattern = OutputPattern();
  const size_t at = text.find(kFieldMark);
  if (at == std::string::npos) {
    pattern.before = text;
    return true;
  }
  size_t end = 0;
  if (!ParseField(text, at, pattern.width, end) || text.find(kFieldMark, end) != std::string::npos) {
    error = "the output name '" + text + "' may hold one field, %d or %0Nd (N from 1 to 9), and no other '%'";
    return false;
  }
  pattern.hasField = true;
  pattern.before = text.substr(0, at);
  pattern.after = text.substr(end);
  return true;
}

std::string OutputName(const OutputPattern& pattern, int32_t page) {
  if (!pattern.hasField) return pattern.before;
  std::string number = std::to_string(page);
  if (number.size() < static_cast<size_t>(pattern.width)) number.insert(0, pattern.width - number.size(), kZero);
  return pattern.before + number + pattern.after;
}
