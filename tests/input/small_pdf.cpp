#include "tests/input/small_pdf.h"

#include <cstdio>

namespace testing_support {

int SmallPdf::Add(const std::string& object) {
  objects_.push_back(object);
  return static_cast<int>(objects_.size());
}

void SmallPdf::Set(int number, const std::string& object) { objects_.at(static_cast<size_t>(number) - 1) = object; }

int SmallPdf::AddStream(const std::string& data) {
  return Add("<< /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream");
}

std::string SmallPdf::Bytes(int root, const std::string& trailerEntries) const {
  std::string pdf = "%PDF-1.4\n";
  const std::string size = std::to_string(objects_.size() + 1);
  std::string table = "xref\n0 " + size + "\n0000000000 65535 f \n";
  for (size_t i = 0; i < objects_.size(); ++i) {
    char entry[21];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", pdf.size());
    table += entry;
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects_[i] + "\nendobj\n";
  }
  const size_t tableStart = pdf.size();
  return pdf + table + "trailer\n<< /Size " + size + " /Root " + Ref(root) + " " + trailerEntries + " >>\nstartxref\n" +
         std::to_string(tableStart) + "\n%%EOF\n";
}

std::string Ref(int number) { return std::to_string(number) + " 0 R"; }

std::string Utf16String(const std::u16string& text) {
  std::string hex = "<FEFF";
  for (const char16_t unit : text) {
    char digits[5];
    std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(unit));
    hex += digits;
  }
  return hex + ">";
}

}  // namespace testing_support
