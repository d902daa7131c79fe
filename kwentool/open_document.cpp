#include "kwentool/open_document.h"

#include <cstdio>
#include <string>

#include "input/file_bytes.h"

namespace {

constexpr int kLargestWindowExponent = 24;
constexpr uint8_t kWindowExponentBits = 0x1F;

void Warn(const std::string& text) { std::fprintf(stderr, "kwentool: warning: %s\n", text.c_str()); }

}  // namespace

kwen::Document OpenToolDocument(const char* path, std::vector<uint8_t>* file) {
  std::vector<uint8_t> bytes;
  const FileRead read = ReadFileBytes(path, bytes);
  if (read == FileRead::kNotOpened) throw kwen::Error(std::string("File does not exist: ") + path);
  if (read == FileRead::kNotRead) throw kwen::Error(std::string("Cannot read ") + path);
  if (file != nullptr) *file = bytes;
  kwen::OpenOptions options;
  options.warning = Warn;
  return kwen::Document::FromBytes(std::move(bytes), path, options);
}

UnpackResult RestoreToLastPage(const std::vector<uint8_t>& packed, int64_t documentBytes) {
  UnpackResult restored = UnpackBytes(packed.data(), packed.size(), documentBytes);
  if (restored.end == DecodeEnd::kCutShort) Warn("the packed data ended before its end mark");
  if (restored.end == DecodeEnd::kOverLimit) Warn("the packed data goes on past the document's last page");
  return restored;
}

int DeclaredWindowExponent(const std::vector<uint8_t>& packed) {
  const int exponent = packed.empty() ? kLargestWindowExponent : packed[0] & kWindowExponentBits;
  return exponent < kLargestWindowExponent ? exponent : kLargestWindowExponent;
}
