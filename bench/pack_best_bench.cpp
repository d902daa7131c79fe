// Packs one file both ways, writes the best packing for durmo x to restore,
// and prints: source bytes, default bytes, best bytes, seconds of each.
#include <chrono>
#include <cstdio>
#include <vector>

#include "utility/best_pack.h"
#include "utility/memory_pack.h"

namespace {

std::vector<uint8_t> ReadAll(const char* path) {
  std::vector<uint8_t> bytes;
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return bytes;
  uint8_t piece[1 << 16];
  size_t got;
  while ((got = std::fread(piece, 1, sizeof piece, file)) > 0) bytes.insert(bytes.end(), piece, piece + got);
  std::fclose(file);
  return bytes;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: pack_best_bench SOURCE BEST_OUT\n");
    return 2;
  }
  const std::vector<uint8_t> source = ReadAll(argv[1]);
  const Switches switches;
  auto start = std::chrono::steady_clock::now();
  const std::vector<uint8_t> greedy = PackBytes(source.data(), source.size(), switches);
  const double greedySeconds = SecondsSince(start);
  start = std::chrono::steady_clock::now();
  const std::vector<uint8_t> best = PackBytesBest(source.data(), source.size(), switches);
  const double bestSeconds = SecondsSince(start);
  FILE* out = std::fopen(argv[2], "wb");
  if (out == nullptr || std::fwrite(best.data(), 1, best.size(), out) != best.size() || std::fclose(out) != 0) {
    std::fprintf(stderr, "pack_best_bench: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("%zu %zu %zu %.3f %.3f\n", source.size(), greedy.size(), best.size(), greedySeconds, bestSeconds);
  return 0;
}
