// Packs one file best, in memory as kwentool does, with the default
// switches, and writes the packed file for durmo x to restore. Prints the
// packed bytes and the processor seconds the packing took (reading and
// writing aside): on a shared machine, wall time says more of the others.
#include <cstdio>
#include <ctime>
#include <vector>

#include "engine/best_pack.h"

namespace {

std::vector<uint8_t> ReadAll(const char* path) {
  std::vector<uint8_t> bytes;
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return bytes;
  static uint8_t piece[1 << 16];
  size_t got;
  while ((got = std::fread(piece, 1, sizeof piece, file)) > 0) bytes.insert(bytes.end(), piece, piece + got);
  std::fclose(file);
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: pack_best_bench SOURCE PACKED\n");
    return 2;
  }
  const std::vector<uint8_t> source = ReadAll(argv[1]);
  const std::clock_t start = std::clock();
  const std::vector<uint8_t> packed = PackBytesBest(source.data(), source.size(), Switches{});
  const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
  FILE* out = std::fopen(argv[2], "wb");
  if (out == nullptr || std::fwrite(packed.data(), 1, packed.size(), out) != packed.size() || std::fclose(out) != 0) {
    std::fprintf(stderr, "pack_best_bench: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("%zu %.3f\n", packed.size(), seconds);
  return 0;
}
