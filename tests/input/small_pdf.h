// Small PDF files for the input tests, written object by object.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

class SmallPdf {
 public:
  // Object numbers from 1, in the order added; an object may name one
  // added later, or be set once its own references are known.
  int Add(const std::string& object);
  void Set(int number, const std::string& object);
  int AddStream(const std::string& data);
  int Next() const { return static_cast<int>(objects_.size()) + 1; }

  // The file, with `root` as its catalog and `trailerEntries` added to its
  // trailer (an /Info reference).
  std::string Bytes(int root, const std::string& trailerEntries = "") const;

 private:
  std::vector<std::string> objects_;
};

// "n 0 R".
std::string Ref(int number);
// A PDF string of UTF-16 text with its byte order mark, in hex.
std::string Utf16String(const std::u16string& text);

}  // namespace testing_support
