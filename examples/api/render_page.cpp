// Opens a document, lists its pages, and writes its first page scaled to fit
// 800 pixels wide (grey or colour, as the page is) to a PNG file.
//
//   render_page DOCUMENT OUT.png
#include <kwen/document.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int32_t kWidestOutput = 800;

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

uint32_t Crc32(const std::vector<uint8_t>& bytes) {
  uint32_t crc = 0xFFFFFFFF;
  for (uint8_t byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  return ~crc;
}

void PutChunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
  PutBigEndian(png, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> typed(type, type + 4);
  typed.insert(typed.end(), data.begin(), data.end());
  png.insert(png.end(), typed.begin(), typed.end());
  PutBigEndian(png, Crc32(typed));
}

// A zlib stream of stored (uncompressed) blocks: no compressor needed.
std::vector<uint8_t> StoredZlib(const std::vector<uint8_t>& raw) {
  constexpr size_t kLargestBlock = 65535;
  std::vector<uint8_t> out = {0x78, 0x01};
  size_t done = 0;
  do {
    const size_t size = std::min(raw.size() - done, kLargestBlock);
    out.push_back(done + size == raw.size() ? 1 : 0);  // the last block?
    const uint32_t lengths = static_cast<uint32_t>(size) | static_cast<uint32_t>(~size & 0xFFFF) << 16;
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(lengths >> shift));
    out.insert(out.end(), raw.begin() + done, raw.begin() + done + size);
    done += size;
  } while (done < raw.size());
  uint32_t low = 1, high = 0;  // Adler-32
  for (uint8_t byte : raw) {
    low = (low + byte) % 65521;
    high = (high + low) % 65521;
  }
  PutBigEndian(out, high << 16 | low);
  return out;
}

// `bitmap` is grey or RGB, 8 bits a channel, as BuildScaled gives.
bool WritePng(const kwen::Bitmap& bitmap, const std::string& path) {
  const bool rgb = bitmap.format == kwen::PixelFormat::kRgb;
  const size_t rowBytes = static_cast<size_t>(bitmap.width) * (rgb ? 3 : 1);
  std::vector<uint8_t> raw;
  for (int32_t y = 0; y < bitmap.height; ++y) {
    raw.push_back(0);  // the row unfiltered
    raw.insert(raw.end(), bitmap.Row(y), bitmap.Row(y) + rowBytes);
  }
  std::vector<uint8_t> header;
  PutBigEndian(header, static_cast<uint32_t>(bitmap.width));
  PutBigEndian(header, static_cast<uint32_t>(bitmap.height));
  header.insert(header.end(), {8, static_cast<uint8_t>(rgb ? 2 : 0), 0, 0, 0});
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", StoredZlib(raw));
  PutChunk(png, "IEND", {});
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  file.close();
  return !file.fail();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: render_page DOCUMENT OUT.png\n";
    return 2;
  }
  try {
    const kwen::Document document = kwen::Document::Open(argv[1]);
    std::cout << "pages: " << document.PageCount() << "\n";
    for (int32_t index = 0; index < document.PageCount(); ++index) {
      const kwen::PageInfo page = document.Page(index);
      std::cout << "page " << index + 1 << ": " << page.width << " x " << page.height << ", "
                << page.dotsPerInch << " dpi, " << page.bitsPerPixel << " bits\n";
    }
    if (document.PageCount() == 0) throw kwen::Error("the document has no pages");

    kwen::Scaling scaling;  // the whole page, grey or RGB as the page is
    scaling.scale = std::min(1.0, static_cast<double>(kWidestOutput) / document.Page(0).width);
    const kwen::Bitmap bitmap = document.BuildScaled(0, scaling);
    if (!WritePng(bitmap, argv[2])) {
      std::cerr << "cannot write " << argv[2] << "\n";
      return 1;
    }
    std::cout << "page 1, " << bitmap.width << " x " << bitmap.height << ", written to " << argv[2] << "\n";
  } catch (const kwen::Error& error) {
    std::cerr << argv[1] << ": " << error.what() << "\n";
    return 1;
  }
  return 0;
}
