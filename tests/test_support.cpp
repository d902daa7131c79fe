#include "tests/test_support.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#if defined(_WIN32)
#include <direct.h>
#include <process.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace testing_support {

static const std::string& TempFolder() {
  static const std::string folder = [] {
#if defined(_WIN32)
    const char* base = std::getenv("TEMP");
    std::string path = std::string(base ? base : ".") + "\\kwen_test_" + std::to_string(_getpid());
    _mkdir(path.c_str());
    return path + "\\";
#else
    std::string path = "/tmp/kwen_test_" + std::to_string(getpid());
    mkdir(path.c_str(), 0700);
    return path + "/";
#endif
  }();
  return folder;
}

std::string TempPath(const std::string& name) { return TempFolder() + name; }

Bytes ReadFileBytes(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) throw std::runtime_error("cannot read " + path);
  Bytes bytes;
  int c;
  while ((c = std::fgetc(file)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
  std::fclose(file);
  return bytes;
}

void WriteFileBytes(const std::string& path, const Bytes& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) throw std::runtime_error("cannot write " + path);
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::vector<int> StreamBits(const Bytes& bytes) {
  std::vector<int> bits;
  for (uint8_t byte : bytes) {
    for (int i = 0; i < 8; ++i) bits.push_back((byte >> i) & 1);
  }
  return bits;
}

static uint32_t NextRandom(uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

Bytes RandomBytes(size_t size, uint32_t seed) {
  uint32_t state = seed | 1;
  Bytes bytes(size);
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(NextRandom(state) >> 24);
  return bytes;
}

Bytes TextLike(size_t size, uint32_t seed) {
  static const char* const kWords[] = {"the", "page", "of", "a", "document", "window", "is",
                                       "shown", "and", "reader", "text", "line", "scaled",
                                       "to", "width", "history", "mask", "picture", "in", "on"};
  uint32_t state = seed | 1;
  Bytes bytes;
  while (bytes.size() < size) {
    const char* word = kWords[NextRandom(state) % 20];
    for (const char* c = word; *c && bytes.size() < size; ++c) bytes.push_back(static_cast<uint8_t>(*c));
    if (bytes.size() < size) bytes.push_back(NextRandom(state) % 11 == 0 ? '\n' : ' ');
  }
  return bytes;
}

Bytes Structured(size_t size, uint32_t seed) {
  uint32_t state = seed | 1;
  Bytes bytes;
  uint32_t id = 0;
  while (bytes.size() < size) {
    const uint8_t record[16] = {0x52, 0x45, 0x43, static_cast<uint8_t>(id), static_cast<uint8_t>(id >> 8),
                                0, 0, 0, static_cast<uint8_t>(NextRandom(state) % 4), 0xFF, 0xFF,
                                static_cast<uint8_t>(NextRandom(state)), 1, 2, 3, 4};
    for (uint8_t b : record) {
      if (bytes.size() < size) bytes.push_back(b);
    }
    ++id;
  }
  return bytes;
}

Bytes Runs(size_t size, uint32_t seed) {
  uint32_t state = seed | 1;
  Bytes bytes;
  while (bytes.size() < size) {
    uint8_t value = static_cast<uint8_t>(NextRandom(state) % 3);
    size_t run = NextRandom(state) % 700 + 1;
    for (size_t i = 0; i < run && bytes.size() < size; ++i) bytes.push_back(value);
  }
  return bytes;
}

}  // namespace testing_support
