#include "kwentool/open_document.h"

#include <cstdio>
#include <string>
#include <utility>

#include "engine/memory_pack.h"
#include "input/file_bytes.h"

namespace {

constexpr int kLargestWindowExponent = 24;
constexpr uint8_t kWindowExponentBits = 0x1F;

void Warn(const std::string& text) { std::fprintf(stderr, "kwentool: warning: %s\n", text.c_str()); }

// The packed document restored up to the end of its last page, with a
// warning when the packed data ends early or goes on past it.
UnpackResult RestoreToLastPage(const std::vector<uint8_t>& packed, int64_t documentBytes) {
  UnpackResult restored = UnpackBytes(packed.data(), packed.size(), documentBytes);
  if (restored.end == DecodeEnd::kCutShort) Warn("the packed data ended before its end mark");
  if (restored.end == DecodeEnd::kOverLimit) Warn("the packed data goes on past the document's last page");
  return restored;
}

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

bool RestoreWhole(const kwen::Document& document, const std::vector<uint8_t>& file, std::vector<uint8_t>& restored) {
  std::string why;
  try {
    restored = document.Unpacked();
    return true;
  } catch (const kwen::Error& failure) {
    why = failure.what();
  }
  if (document.Kind() != kwen::FileKind::kPacked) return false;
  const int64_t pagesEnd = document.Progress().total;
  UnpackResult unpacked = RestoreToLastPage(file, pagesEnd);
  const bool whole = unpacked.end == DecodeEnd::kEndMark || unpacked.end == DecodeEnd::kOverLimit;
  if (!whole || static_cast<int64_t>(unpacked.bytes.size()) != pagesEnd) return false;
  Warn(why + "; the pages are kept without what follows them");
  restored = std::move(unpacked.bytes);
  return true;
}

int DeclaredWindowExponent(const std::vector<uint8_t>& packed) {
  const int exponent = packed.empty() ? kLargestWindowExponent : packed[0] & kWindowExponentBits;
  return exponent < kLargestWindowExponent ? exponent : kLargestWindowExponent;
}
