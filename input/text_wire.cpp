#include "input/text_wire.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "input/child_drawing.h"

namespace {

// Native numbers: the child is this program, forked.
class WireWriter {
 public:
  explicit WireWriter(std::string& bytes) : bytes_(bytes) { bytes_.clear(); }

  template <typename Number>
  void Put(Number value) {
    static_assert(std::is_arithmetic<Number>::value, "numbers only");
    bytes_.append(reinterpret_cast<const char*>(&value), sizeof value);
  }
  void PutText(const std::string& text) {
    Put(static_cast<uint32_t>(text.size()));
    bytes_ += text;
  }

 private:
  std::string& bytes_;
};

// Every read is checked against the end; a failed one fails all that follow.
class WireReader {
 public:
  explicit WireReader(const std::string& bytes) : bytes_(bytes) {}

  template <typename Number>
  Number Get() {
    Number value{};
    if (!Take(sizeof value)) return value;
    std::memcpy(&value, bytes_.data() + at_ - sizeof value, sizeof value);
    return value;
  }
  // Text of at most `longest` bytes.
  std::string Text(size_t longest) {
    const uint32_t size = Get<uint32_t>();
    if (size > longest || !Take(size)) {
      ok_ = false;
      return std::string();
    }
    return bytes_.substr(at_ - size, size);
  }
  bool Whole() const { return ok_ && at_ == bytes_.size(); }
  bool Ok() const { return ok_; }

 private:
  bool Take(size_t count) {
    ok_ = ok_ && count <= bytes_.size() - at_;
    if (ok_) at_ += count;
    return ok_;
  }

  const std::string& bytes_;
  size_t at_ = 0;
  bool ok_ = true;
};

// The count that marks a page whose words were left out, and the longest
// reason given for it.
constexpr uint32_t kWordsDropped = UINT32_MAX;
constexpr size_t kLongestDropReason = 1000;

constexpr size_t kWordHeaderBytes = 4 * sizeof(double) + sizeof(int32_t) + 1 + sizeof(uint32_t);
static_assert(sizeof(uint32_t) + kLargestPageWords * kWordHeaderBytes + kLargestPageTextBytes <=
                  kLargestChildExtraBytes,
              "a page's words fit what the child may send");
constexpr size_t kOutlineEntryHeaderBytes = 2 * sizeof(int32_t) + sizeof(uint32_t);
static_assert(2 * sizeof(uint32_t) + kLongestTitleBytes +
                      kLargestOutline * (kOutlineEntryHeaderBytes + kLongestTitleBytes) <=
                  kLargestChildExtraBytes,
              "an outline fits what the child may send");

}  // namespace

bool EncodeWords(const std::vector<PlacedWord>& words, std::string& bytes, std::string& error) {
  if (words.size() > kLargestPageWords) {
    error = "holds more than " + std::to_string(kLargestPageWords) + " words, more text than a page can keep";
    return false;
  }
  size_t textBytes = 0;
  WireWriter writer(bytes);
  writer.Put(static_cast<uint32_t>(words.size()));
  for (const PlacedWord& word : words) {
    textBytes += word.text.size();
    if (word.text.size() > kLongestWordBytes) {
      error = "holds a word of more than " + std::to_string(kLongestWordBytes) + " bytes";
      return false;
    }
    if (textBytes > kLargestPageTextBytes) {
      error = "holds more than " + std::to_string(kLargestPageTextBytes >> 20) + " MiB of text";
      return false;
    }
    for (const double edge : {word.left, word.top, word.right, word.bottom}) writer.Put(edge);
    writer.Put(word.turns);
    writer.Put(static_cast<uint8_t>(word.spaceAfter));
    writer.PutText(word.text);
  }
  return true;
}

std::string DroppedWordsBytes(const std::string& why) {
  std::string bytes;
  WireWriter writer(bytes);
  writer.Put(kWordsDropped);
  writer.PutText(why.substr(0, kLongestDropReason));
  return bytes;
}

bool DecodeWords(const std::string& bytes, std::vector<PlacedWord>& words, std::string& dropped) {
  words.clear();
  dropped.clear();
  WireReader reader(bytes);
  const uint32_t count = reader.Get<uint32_t>();
  if (count == kWordsDropped) {
    dropped = reader.Text(kLongestDropReason);
    // Told to the user as it is: no control characters.
    const bool printable = std::none_of(dropped.begin(), dropped.end(), [](char c) { return c >= 0 && c < ' '; });
    return reader.Whole() && !dropped.empty() && printable;
  }
  if (count > kLargestPageWords) return false;
  size_t textBytes = 0;
  for (uint32_t i = 0; i < count && reader.Ok(); ++i) {
    PlacedWord word;
    for (double* edge : {&word.left, &word.top, &word.right, &word.bottom}) *edge = reader.Get<double>();
    word.turns = reader.Get<int32_t>();
    word.spaceAfter = reader.Get<uint8_t>() != 0;
    word.text = reader.Text(kLongestWordBytes);
    textBytes += word.text.size();
    if (textBytes > kLargestPageTextBytes) return false;
    words.push_back(std::move(word));
  }
  return reader.Whole();
}

std::string EncodeTitleAndOutline(const std::string& title, const std::vector<kwen::OutlineItem>& outline) {
  std::string bytes;
  WireWriter writer(bytes);
  writer.PutText(title);
  writer.Put(static_cast<uint32_t>(outline.size()));
  for (const kwen::OutlineItem& item : outline) {
    writer.Put(item.level);
    writer.Put(item.page);
    writer.PutText(item.title);
  }
  return bytes;
}

bool DecodeTitleAndOutline(const std::string& bytes, int32_t pageCount, std::string& title,
                           std::vector<kwen::OutlineItem>& outline) {
  outline.clear();
  WireReader reader(bytes);
  title = reader.Text(kLongestTitleBytes);
  const uint32_t count = reader.Get<uint32_t>();
  if (count > kLargestOutline) return false;
  int32_t previousLevel = -1;
  for (uint32_t i = 0; i < count && reader.Ok(); ++i) {
    kwen::OutlineItem item;
    item.level = reader.Get<int32_t>();
    item.page = reader.Get<int32_t>();
    item.title = reader.Text(kLongestTitleBytes);
    if (item.level < 0 || item.level > previousLevel + 1 || item.level > kDeepestOutlineLevel) return false;
    if (item.page < 0 || item.page >= pageCount) return false;
    previousLevel = item.level;
    outline.push_back(std::move(item));
  }
  return reader.Whole();
}
