#include "document/spot_drawing.h"

#include <cstring>

namespace {

constexpr uint32_t kByteBits = 8;

uint8_t* RowOf(const PageGeometry& page, uint8_t* bitmap, const SpotArea& area, int64_t r) {
  return bitmap + page.stride * static_cast<uint64_t>(area.baseRow + r);
}

// Pixels of whole bytes, least significant byte first.
template <uint32_t kBytes>
void PutBytes(uint8_t* at, uint32_t value) {
  for (uint32_t i = 0; i < kBytes; ++i) at[i] = static_cast<uint8_t>(value >> (kByteBits * i));
}

template <uint32_t kBytes>
uint32_t GetBytes(const uint8_t* at) {
  uint32_t value = 0;
  for (uint32_t i = 0; i < kBytes; ++i) value |= uint32_t{at[i]} << (kByteBits * i);
  return value;
}

// Pixels of other depths: a bit string from the most significant bit of each
// byte down, which may run on into the next byte.
void PutBits(uint8_t* buffer, uint64_t bit, uint32_t bits, uint32_t value) {
  const uint64_t end = bit + bits;
  while (bit < end) {
    const uint32_t inByte = static_cast<uint32_t>(bit & 7);
    const uint32_t take = end - bit < kByteBits - inByte ? static_cast<uint32_t>(end - bit) : kByteBits - inByte;
    const uint32_t shift = kByteBits - inByte - take;
    const uint32_t low = (1u << take) - 1;
    const uint32_t part = (value >> (end - bit - take)) & low;
    uint8_t& byte = buffer[bit >> 3];
    byte = static_cast<uint8_t>((byte & ~(low << shift)) | (part << shift));
    bit += take;
  }
}

uint32_t GetBits(const uint8_t* buffer, uint64_t bit, uint32_t bits) {
  const uint64_t end = bit + bits;
  uint32_t value = 0;
  while (bit < end) {
    const uint32_t inByte = static_cast<uint32_t>(bit & 7);
    const uint32_t take = end - bit < kByteBits - inByte ? static_cast<uint32_t>(end - bit) : kByteBits - inByte;
    const uint32_t shift = kByteBits - inByte - take;
    value = (value << take) | ((buffer[bit >> 3] >> shift) & ((1u << take) - 1));
    bit += take;
  }
  return value;
}

template <bool kSet>
void Paint(uint8_t& byte, uint8_t bits) {
  byte = kSet ? static_cast<uint8_t>(byte | bits) : static_cast<uint8_t>(byte & ~bits);
}

constexpr uint64_t kAllBits = ~uint64_t{0};
constexpr int64_t kWordBytes = 8;
// The last mask row is read as a whole word.
static_assert(kMaskSlack >= kWordBytes - 1, "a mask row read as a word stays within the buffer");

// Eight bytes as a word, the first byte on top, whatever the machine: one
// load and one byte swap where the compiler offers it.
uint64_t LoadBig64(const uint8_t* at) {
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  uint64_t word;
  std::memcpy(&word, at, sizeof word);
  return __builtin_bswap64(word);
#else
  uint64_t word = 0;
  for (int i = 0; i < 8; ++i) word = word << 8 | at[i];
  return word;
#endif
}

void StoreBig64(uint8_t* at, uint64_t word) {
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  word = __builtin_bswap64(word);
  std::memcpy(at, &word, sizeof word);
#else
  for (int i = 7; i >= 0; --i, word >>= 8) at[i] = static_cast<uint8_t>(word);
#endif
}

// A mask whose rows, and the page bytes they fall on, fit in a word, as
// most glyphs do, and whose page word lies within the page's row: each row
// is read as a word, the first mask column in its top bit, cut to the drawn
// columns and shifted into place at once. (The mask's slack lets the last
// row be read as a word too.)
template <bool kSet>
void DrawNarrowMaskOnBits(const PageGeometry& page, uint8_t* bitmap, const SpotArea& area, const uint8_t* mask,
                          int64_t rowBytes, int64_t firstByte) {
  const uint64_t columns = (kAllBits >> area.firstColumn) &
                           (area.lastColumn == 64 ? kAllBits : ~(kAllBits >> area.lastColumn));
  // Where the mask's column 0 falls, counted from the first page byte's top bit.
  const int64_t offset = area.left - 8 * firstByte;
  for (int64_t r = area.firstRow; r < area.lastRow; ++r) {
    uint64_t word = LoadBig64(mask + rowBytes * r) & columns;
    word = offset >= 0 ? word >> offset : word << -offset;
    uint8_t* to = RowOf(page, bitmap, area, r) + firstByte;
    const uint64_t under = LoadBig64(to);
    StoreBig64(to, kSet ? under | word : under & ~word);
  }
}

// A mask on a 1-bit page, a page byte at a time: the mask bits under each
// page byte come from two neighbouring mask bytes, shifted by the same
// amount on every row. Only the first and last page bytes of a row can
// reach past the mask's row, so only they are read with a check.
template <bool kSet>
void DrawMaskOnBits(const PageGeometry& page, uint8_t* bitmap, const SpotArea& area, const uint8_t* mask) {
  const int64_t rowBytes = (int64_t{area.width} + 7) / 8;
  const int64_t firstBit = area.left + area.firstColumn;
  const int64_t lastBit = area.left + area.lastColumn - 1;
  const int64_t firstByte = firstBit / 8;
  const int64_t lastByte = lastBit / 8 - firstByte;  // counted from the first
  if (rowBytes <= kWordBytes && lastByte < kWordBytes && firstByte + kWordBytes <= static_cast<int64_t>(page.stride)) {
    return DrawNarrowMaskOnBits<kSet>(page, bitmap, area, mask, rowBytes, firstByte);
  }
  const uint8_t firstMask = static_cast<uint8_t>(0xFFu >> (firstBit & 7));
  const uint8_t lastMask = static_cast<uint8_t>(0xFF00u >> ((lastBit & 7) + 1));
  // The mask bit under bit 7 of the first page byte: from 7 bits before the
  // mask row's start.
  const int64_t sourceBit = area.firstColumn - (firstBit & 7);
  const int64_t sourceByte = sourceBit < 0 ? -1 : sourceBit / 8;
  const uint32_t up = static_cast<uint32_t>(sourceBit - 8 * sourceByte);
  for (int64_t r = area.firstRow; r < area.lastRow; ++r) {
    const uint8_t* from = mask + rowBytes * r;
    uint8_t* to = RowOf(page, bitmap, area, r) + firstByte;
    auto checked = [from, rowBytes, sourceByte, up](int64_t k) {
      const int64_t i = sourceByte + k;
      const uint32_t high = i >= 0 && i < rowBytes ? from[i] : 0;
      const uint32_t low = i + 1 < rowBytes ? from[i + 1] : 0;
      return static_cast<uint8_t>(((high << 8 | low) << up) >> 8);
    };
    if (lastByte == 0) {
      Paint<kSet>(to[0], checked(0) & firstMask & lastMask);
      continue;
    }
    Paint<kSet>(to[0], checked(0) & firstMask);
    for (int64_t k = 1, i = sourceByte + 1; k < lastByte; ++k, ++i) {
      Paint<kSet>(to[k], static_cast<uint8_t>(((uint32_t{from[i]} << 8 | from[i + 1]) << up) >> 8));
    }
    Paint<kSet>(to[lastByte], checked(lastByte) & lastMask);
  }
}

// Calls paint(spot column) for each set bit of the mask row within the
// area's columns, passing over clear bytes whole.
template <typename PaintPixel>
void ForSetBits(const uint8_t* from, int64_t firstColumn, int64_t lastColumn, PaintPixel&& paint) {
  for (int64_t c = firstColumn; c < lastColumn;) {
    const int64_t byteEnd = (c | 7) + 1 < lastColumn ? (c | 7) + 1 : lastColumn;
    if (from[c >> 3] == 0) {
      c = byteEnd;
      continue;
    }
    for (; c < byteEnd; ++c) {
      if ((from[c >> 3] >> (7 - (c & 7))) & 1) paint(c);
    }
  }
}

template <uint32_t kBytes>
void DrawMaskOnBytes(const PageGeometry& page, uint8_t* bitmap, const SpotArea& area, const uint8_t* mask,
                     uint32_t ink) {
  const int64_t rowBytes = (int64_t{area.width} + 7) / 8;
  for (int64_t r = area.firstRow; r < area.lastRow; ++r) {
    uint8_t* to = RowOf(page, bitmap, area, r) + (area.left + area.firstColumn) * kBytes;
    const int64_t first = area.firstColumn;
    ForSetBits(mask + rowBytes * r, first, area.lastColumn,
               [to, first, ink](int64_t c) { PutBytes<kBytes>(to + (c - first) * kBytes, ink); });
  }
}

void DrawMaskOnPackedBits(const PageGeometry& page, uint8_t* bitmap, const SpotArea& area, const uint8_t* mask,
                          uint32_t ink) {
  const int64_t rowBytes = (int64_t{area.width} + 7) / 8;
  for (int64_t r = area.firstRow; r < area.lastRow; ++r) {
    uint8_t* to = RowOf(page, bitmap, area, r);
    ForSetBits(mask + rowBytes * r, area.firstColumn, area.lastColumn, [to, &page, &area, ink](int64_t c) {
      PutBits(to, uint64_t{page.bits} * static_cast<uint64_t>(area.left + c), page.bits, ink);
    });
  }
}

// Pictures are stored by columns: each page row takes one pixel from every column.
void DrawTrueColourPicture(const PageGeometry& page, uint8_t* bitmap, const SpotArea& area, const uint8_t* pixels) {
  const uint64_t columnBytes = uint64_t{3} * area.height;
  const int64_t columns = area.lastColumn - area.firstColumn;
  for (int64_t r = area.firstRow; r < area.lastRow; ++r) {
    uint8_t* to = RowOf(page, bitmap, area, r) + 3 * (area.left + area.firstColumn);
    const uint8_t* from = pixels + 3 * static_cast<uint64_t>(r) + columnBytes * static_cast<uint64_t>(area.firstColumn);
    for (int64_t c = 0; c < columns; ++c, to += 3, from += columnBytes) {
      to[0] &= from[0];
      to[1] &= from[1];
      to[2] &= from[2];
    }
  }
}

template <uint32_t kBytes>
void DrawBytePicture(const PageGeometry& page, uint8_t* bitmap, const SpotArea& area, const uint8_t* pixels,
                     uint32_t white) {
  const uint64_t columnBytes = uint64_t{kBytes} * area.height;
  const int64_t columns = area.lastColumn - area.firstColumn;
  for (int64_t r = area.firstRow; r < area.lastRow; ++r) {
    uint8_t* to = RowOf(page, bitmap, area, r) + kBytes * (area.left + area.firstColumn);
    const uint8_t* from = pixels + kBytes * static_cast<uint64_t>(r) + columnBytes * static_cast<uint64_t>(area.firstColumn);
    for (int64_t c = 0; c < columns; ++c, to += kBytes, from += columnBytes) {
      const uint32_t pixel = GetBytes<kBytes>(from);
      if (pixel != white) PutBytes<kBytes>(to, pixel);
    }
  }
}

void DrawPackedPicture(const PageGeometry& page, uint8_t* bitmap, const SpotArea& area, const uint8_t* pixels,
                       uint32_t white) {
  const uint64_t columnBits = (uint64_t{page.bits} * area.height + 7) / 8 * 8;
  for (int64_t r = area.firstRow; r < area.lastRow; ++r) {
    uint8_t* to = RowOf(page, bitmap, area, r);
    for (int64_t c = area.firstColumn; c < area.lastColumn; ++c) {
      const uint32_t pixel =
          GetBits(pixels, uint64_t{page.bits} * static_cast<uint64_t>(r) + columnBits * static_cast<uint64_t>(c), page.bits);
      if (pixel != white) PutBits(to, uint64_t{page.bits} * static_cast<uint64_t>(area.left + c), page.bits, pixel);
    }
  }
}

}  // namespace

void DrawMask(const PageGeometry& page, uint8_t* bitmap, const SpotArea& area, const uint8_t* mask, uint32_t ink) {
  if (area.Pixels() == 0) return;
  switch (page.bits) {
    case 1:
      return (ink & 1) != 0 ? DrawMaskOnBits<true>(page, bitmap, area, mask)
                            : DrawMaskOnBits<false>(page, bitmap, area, mask);
    case 8:
      return DrawMaskOnBytes<1>(page, bitmap, area, mask, ink);
    case 16:
      return DrawMaskOnBytes<2>(page, bitmap, area, mask, ink);
    case 24:
      return DrawMaskOnBytes<3>(page, bitmap, area, mask, ink);
    default:
      return DrawMaskOnPackedBits(page, bitmap, area, mask, ink);
  }
}

void DrawPicture(const PageGeometry& page, uint8_t* bitmap, const SpotArea& area, const uint8_t* pixels,
                 uint32_t white) {
  if (area.Pixels() == 0) return;
  switch (page.bits) {
    case 8:
      return DrawBytePicture<1>(page, bitmap, area, pixels, white);
    case 16:
      return DrawBytePicture<2>(page, bitmap, area, pixels, white);
    case 24:
      return DrawTrueColourPicture(page, bitmap, area, pixels);
    default:
      return DrawPackedPicture(page, bitmap, area, pixels, white);
  }
}

void FillArea(const PageGeometry& page, uint8_t* bitmap, const SpotArea& area, uint32_t value) {
  if (area.Pixels() == 0) return;
  for (int64_t r = area.firstRow; r < area.lastRow; ++r) {
    uint8_t* to = RowOf(page, bitmap, area, r);
    const int64_t first = area.left + area.firstColumn, last = area.left + area.lastColumn - 1;
    if (page.bits == 1) {
      const uint8_t firstMask = static_cast<uint8_t>(0xFFu >> (first & 7));
      const uint8_t lastMask = static_cast<uint8_t>(0xFF00u >> ((last & 7) + 1));
      const bool set = (value & 1) != 0;
      auto paint = [set](uint8_t& byte, uint8_t bits) { set ? Paint<true>(byte, bits) : Paint<false>(byte, bits); };
      if (first / 8 == last / 8) {
        paint(to[first / 8], firstMask & lastMask);
        continue;
      }
      paint(to[first / 8], firstMask);
      std::memset(to + first / 8 + 1, set ? 0xFF : 0, static_cast<size_t>(last / 8 - first / 8 - 1));
      paint(to[last / 8], lastMask);
    } else if (page.bits == 8) {
      std::memset(to + first, static_cast<uint8_t>(value), static_cast<size_t>(last - first + 1));
    } else if (page.bits == 16) {
      for (int64_t c = first; c <= last; ++c) PutBytes<2>(to + 2 * c, value);
    } else if (page.bits == 24) {
      for (int64_t c = first; c <= last; ++c) PutBytes<3>(to + 3 * c, value);
    } else {
      for (int64_t c = first; c <= last; ++c) PutBits(to, uint64_t{page.bits} * static_cast<uint64_t>(c), page.bits, value);
    }
  }
}
