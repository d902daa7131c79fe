#include "viewer/document/document_format.h"

#include <gtest/gtest.h>

#include "tests/viewer/document/document_builder.h"
#include "tests/viewer/document/test_host.h"
#include "viewer/document/document_state.h"

using namespace testing_support;

namespace {

TEST(Numbers, LongOrCutNumbersFailWithTheirMessage) {
  const Bytes cases[] = {{0x80, 0x80, 0x80, 0x80, 0x80, 0x01}, {0x80}, {}};
  for (const Bytes& bytes : cases) {
    DocFile file;
    OpenMemoryDocFile(file, bytes.data(), static_cast<int64_t>(bytes.size()));
    uint32_t value;
    try {
      ReadUnsignedNumber(file, &value, "Read dx failed");
      ADD_FAILURE() << "accepted";
    } catch (const DocumentFailure& failure) {
      EXPECT_STREQ(failure.what(), "Read dx failed");
    }
  }
}

std::string TableFailure(const Bytes& document) {
  ResetHost();
  DocFile file;
  OpenMemoryDocFile(file, document.data(), static_cast<int64_t>(document.size()));
  try {
    ReadDocumentTable(file);
  } catch (const DocumentFailure& failure) {
    return failure.what();
  }
  return "";
}

TEST(DocumentTable, TurnsSizesIntoOffsets) {
  Bytes document = BytesOf("KNWE");
  for (uint32_t v : {100u, 250u, 0u}) PutLittle(document, v, 4);
  EXPECT_EQ(TableFailure(document), "");
  EXPECT_EQ(iPageCount, 2);
  EXPECT_EQ((std::vector<int32_t>(aPageOffset, aPageOffset + 3)), (std::vector<int32_t>{16, 116, 366}));
  EXPECT_EQ(iCurPage, 0);
}

TEST(DocumentTable, RefusesBadLabelsAndTables) {
  auto table = [](const char* label, std::vector<uint32_t> sizes) {
    Bytes document = BytesOf(label);
    for (uint32_t v : sizes) PutLittle(document, v, 4);
    return document;
  };
  std::vector<uint32_t> tooMany(1000, 10);
  tooMany.push_back(0);
  std::vector<uint32_t> largest(999, 10);
  largest.push_back(0);
  const std::pair<Bytes, std::string> cases[] = {
      {table("KWEN", {10, 0}), "Not supported old KWEN file format"},
      {table("KWNE", {10, 0}), "Not supported old KWEN file format"},
      {table("KNWX", {10, 0}), "Read label Failed"},
      {BytesOf("KN"), "Error read of KWEN label"},
      {table("KNWE", {10, 20}), "Read table Failed"},
      {table("KNWE", {0}), "The document has no pages"},
      {table("KNWE", tooMany), "The page table holds more than 999 pages"},
      {table("KNWE", {10, 0xFFFFFFF0u, 0}), "The page table holds a negative page size"},
      {table("KNWE", {0x7FFFFFF0u, 0x7FFFFFF0u, 0}), "The document unpacks to more than 2 GiB"},
      {table("KNWE", largest), ""},
  };
  for (const auto& [document, message] : cases) EXPECT_EQ(TableFailure(document), message);
  TableFailure(table("KWEN", {10, 0}));
  EXPECT_EQ(hostRecord.closes, 1);  // an old label closes the document before the message
  TableFailure(table("KNWE", {0}));
  EXPECT_EQ(hostRecord.closes, 0);
}

}  // namespace
