// The kind of a file: packed by its name before anything in it, then an
// unpacked document by its label, then a plain BMP by its type.
#include "library/file_kind.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct KindCase {
  const char* path;
  std::string bytes;
  FileKind kind;
};

const KindCase kCases[] = {
    {"book.kwen", "BM anything", FileKind::kPacked},
    {"dir.x/BOOK.KWEN", "", FileKind::kPacked},
    {"book.kwen.bmp", "BM", FileKind::kBitmap},
    {"book.bin", "KNWE", FileKind::kUnpacked},
    {"book.bin", "KWEN", FileKind::kUnpacked},  // an old label: the page table refuses it
    {"book.bin", "KWNE", FileKind::kUnpacked},
    {"page.bmp", "KNWE", FileKind::kUnpacked},
    {"book.bin", "KNW", FileKind::kOther},
    {"book.bin", "KNWX", FileKind::kOther},
    {"page.bmp", "BM", FileKind::kBitmap},
    {"page.bmp", "B", FileKind::kOther},
    {"page.bmp", "MB", FileKind::kOther},
    {"page.png", "\x89PNG", FileKind::kOther},
    {"empty", "", FileKind::kOther},
};

TEST(FileKind, RecognisesEachKind) {
  for (const KindCase& example : kCases) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(example.bytes.data());
    EXPECT_EQ(RecogniseFile(example.path, bytes, static_cast<int64_t>(example.bytes.size())), example.kind)
        << example.path << " holding \"" << example.bytes << "\"";
  }
}

}  // namespace
