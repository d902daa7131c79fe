#include "document/document_format.h"

#include <gtest/gtest.h>

#include "tests/document/document_builder.h"
#include "tests/document/test_host.h"
#include "document/document_state.h"

using namespace testing_support;

namespace {

Bytes Table(const char* label, const std::vector<uint32_t>& sizes) {
  Bytes document = BytesOf(label);
  for (uint32_t v : sizes) PutLittle(document, v, 4);
  return document;
}

std::string TableFailure(const Bytes& document) {
  ResetHost();
  DocFile file;
  OpenMemoryDocFile(file, document.data(), static_cast<int64_t>(document.size()));
  try {
    ReadDocumentTable(Session().document, Session().host, file);
  } catch (const DocumentFailure& failure) {
    return failure.what();
  }
  return "";
}

TEST(DocumentTable, TurnsSizesIntoOffsets) {
  EXPECT_EQ(TableFailure(Table("KNWE", {100, 250, 0})), "");
  EXPECT_EQ(Session().document.pageCount, 2);
  EXPECT_EQ((std::vector<int32_t>(Session().document.pageOffsets, Session().document.pageOffsets + 3)), (std::vector<int32_t>{16, 116, 366}));
}

TEST(DocumentTable, RefusesBadLabelsAndTables) {
  std::vector<uint32_t> largest(999, 10), tooMany(1000, 10);
  largest.push_back(0);
  tooMany.push_back(0);
  const std::pair<Bytes, std::string> cases[] = {
      {Table("KWEN", {10, 0}), "Not supported old KWEN file format"},
      {Table("KWNE", {10, 0}), "Not supported old KWEN file format"},
      {Table("KNWX", {10, 0}), "Read label Failed"},
      {BytesOf("KN"), "Error read of KWEN label"},
      {Table("KNWE", {10, 20}), "Read table Failed"},
      {Table("KNWE", {0}), "The document has no pages"},
      {Table("KNWE", tooMany), "The page table holds more than 999 pages"},
      {Table("KNWE", {10, 0xFFFFFFF0u, 0}), "The page table holds a negative page size"},
      {Table("KNWE", {0x7FFFFFF0u, 0x7FFFFFF0u, 0}), "The document unpacks to more than 2 GiB"},
      {Table("KNWE", largest), ""},
  };
  for (const auto& [document, message] : cases) EXPECT_EQ(TableFailure(document), message);
  TableFailure(Table("KWEN", {10, 0}));
  EXPECT_EQ(Session().host.record.closes, 1);  // an old label closes the document before the message
}

}  // namespace
