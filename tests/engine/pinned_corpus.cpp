#include "tests/engine/pinned_corpus.h"

namespace pinned_corpus {

namespace {

struct Random {
  uint32_t state;
  uint32_t Next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  }
  uint32_t Below(uint32_t bound) { return Next() % bound; }
};

void AddWords(Bytes& out, size_t count, Random& random, uint32_t vocabulary) {
  static const char* const kSyllables[] = {"ka", "ne", "ri", "to", "mu", "sel", "dor", "an",
                                           "qui", "ber", "lo", "pha", "ven", "st", "ix", "o"};
  for (size_t i = 0; i < count; ++i) {
    uint32_t word = random.Below(vocabulary);
    // Frequent words are short and common; the word number spells itself.
    if (random.Below(4) == 0) word %= 16;
    do {
      for (const char* c = kSyllables[word % 16]; *c != '\0'; ++c) out.push_back(static_cast<uint8_t>(*c));
      word /= 16;
    } while (word != 0);
    uint32_t gap = random.Below(40);
    out.push_back(gap == 0 ? '\n' : gap == 1 ? ',' : gap == 2 ? '.' : ' ');
  }
}

Bytes Text(size_t size, uint32_t seed) {
  Random random{seed};
  Bytes out;
  while (out.size() < size) AddWords(out, 1, random, 4000);
  out.resize(size);
  return out;
}

// Machine-code-like bytes: opcodes from a small set, little-endian offsets
// that grow slowly, tables of increasing numbers and stretches of zeros.
Bytes Binary(size_t size, uint32_t seed) {
  static const uint8_t kOpcodes[] = {0x48, 0x89, 0x8b, 0xe8, 0x0f, 0x85, 0x74, 0xc3, 0x83, 0x31};
  Random random{seed};
  Bytes out;
  uint32_t address = 0x401000;
  while (out.size() < size) {
    switch (random.Below(5)) {
      case 0:
      case 1:
        for (uint32_t i = 0, n = 1 + random.Below(6); i < n; ++i) out.push_back(kOpcodes[random.Below(10)]);
        break;
      case 2:
        address += random.Below(64);
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(address >> (8 * i)));
        break;
      case 3:
        out.insert(out.end(), random.Below(24), 0);
        break;
      default:
        out.push_back(static_cast<uint8_t>(random.Next() >> 24));
    }
  }
  out.resize(size);
  return out;
}

Bytes Runs(size_t size, uint32_t seed) {
  Random random{seed};
  Bytes out;
  while (out.size() < size) {
    uint32_t length = random.Below(8) == 0 ? 2000 + random.Below(20000) : 1 + random.Below(300);
    out.insert(out.end(), length, static_cast<uint8_t>("\0\xff a"[random.Below(4)]));
  }
  out.resize(size);
  return out;
}

// Fixed-size records whose fields change a little from one to the next.
Bytes Records(size_t size, uint32_t seed) {
  Random random{seed};
  Bytes record(48);
  for (uint8_t& byte : record) byte = static_cast<uint8_t>(random.Next() >> 24);
  Bytes out;
  while (out.size() < size) {
    for (uint32_t i = 0, n = random.Below(3); i < n; ++i) {
      // The new byte is drawn before its place, as the digests were made.
      const uint8_t byte = static_cast<uint8_t>(random.Next());
      record[random.Below(48)] = byte;
    }
    out.insert(out.end(), record.begin(), record.end());
  }
  out.resize(size);
  return out;
}

Bytes Of(const char* text) { return Bytes(text, text + std::char_traits<char>::length(text)); }

// Fresh bytes, text, runs and nearby copies with a changed byte now and then;
// copies reach back `reach` bytes (give or take a few) when that is possible.
void AddMixed(Bytes& out, size_t until, uint32_t reach, Random& random) {
  while (out.size() < until) {
    const uint32_t kind = random.Below(10);
    if (kind < 4) {
      for (uint32_t i = 0, n = 64 + random.Below(2048); i < n; ++i) out.push_back(static_cast<uint8_t>(random.Next() >> 24));
    } else if (kind < 6) {
      AddWords(out, 20 + random.Below(200), random, 60000);
    } else if (kind < 7) {
      // The byte is drawn before the length: the pinned digests were made in
      // that order, and as two arguments of one call the order would be the
      // compiler's choice.
      const uint8_t byte = static_cast<uint8_t>(random.Next());
      const uint32_t length = 16 + random.Below(600);
      out.insert(out.end(), length, byte);
    } else {
      const uint32_t choices[] = {reach - 1, reach, reach + 1, reach - 2 - random.Below(64),
                                  reach + 2 + random.Below(64), 1 + random.Below(4096)};
      const size_t distance = choices[random.Below(6)];
      if (distance > out.size()) continue;
      const size_t from = out.size() - distance;
      for (uint32_t i = 0, n = 8 + random.Below(1500); i < n; ++i) {
        out.push_back(random.Below(300) == 0 ? static_cast<uint8_t>(random.Next()) : out[from + i]);
      }
    }
  }
}

}  // namespace

Bytes BeyondWindow(int exponent) {
  const uint32_t window = uint32_t{1} << exponent;
  const size_t edge = window / 32 + 1000;
  Random random{0x9e3779b9u ^ static_cast<uint32_t>(exponent)};
  Bytes out;
  out.reserve(window + 2 * edge + 8192);
  AddMixed(out, edge, window, random);
  // The middle only carries the distance: one run, one match.
  out.resize(window - window / 16, 0);
  // The tail copies from the head, across the window's reach.
  AddMixed(out, window + edge, window, random);
  out.resize(window + edge);
  return out;
}

std::vector<Source> SharedSources() {
  return {
      {"empty", {}},
      {"one byte", Of("x")},
      {"abcab", Of("abcab")},
      {"nearest of equals", Of("abcXabcYabcXabcdefabcdefabcdxyzabcdefabcd")},
      {"period two", Of("abababababababababababab")},
      {"text", Text(48 << 10, 101)},
      {"binary", Binary(48 << 10, 102)},
      {"runs", Runs(48 << 10, 103)},
      {"records", Records(48 << 10, 104)},
  };
}

}  // namespace pinned_corpus
