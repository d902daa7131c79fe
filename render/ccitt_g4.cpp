#include "render/ccitt_g4.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

namespace {

// A TIFF file in memory, written and then read back by the library.
struct MemoryFile {
  std::vector<uint8_t> bytes;
  uint64_t position = 0;
  std::string complaint;  // the library's first error
};

MemoryFile& FileOf(thandle_t handle) { return *static_cast<MemoryFile*>(handle); }

tmsize_t ReadMemory(thandle_t handle, void* into, tmsize_t size) {
  MemoryFile& file = FileOf(handle);
  if (size < 0 || file.position >= file.bytes.size()) return 0;
  const uint64_t count = std::min<uint64_t>(static_cast<uint64_t>(size), file.bytes.size() - file.position);
  std::memcpy(into, file.bytes.data() + file.position, count);
  file.position += count;
  return static_cast<tmsize_t>(count);
}

tmsize_t WriteMemory(thandle_t handle, void* from, tmsize_t size) {
  MemoryFile& file = FileOf(handle);
  if (size < 0) return -1;
  const uint64_t end = file.position + static_cast<uint64_t>(size);
  if (end > file.bytes.size()) file.bytes.resize(end);
  std::memcpy(file.bytes.data() + file.position, from, static_cast<size_t>(size));
  file.position = end;
  return size;
}

toff_t SeekMemory(thandle_t handle, toff_t offset, int whence) {
  MemoryFile& file = FileOf(handle);
  uint64_t base = 0;
  if (whence == SEEK_CUR) base = file.position;
  if (whence == SEEK_END) base = file.bytes.size();
  file.position = base + offset;
  return file.position;
}

int CloseMemory(thandle_t) { return 0; }
toff_t SizeOfMemory(thandle_t handle) { return FileOf(handle).bytes.size(); }
int MapNothing(thandle_t, void**, toff_t*) { return 0; }
void UnmapNothing(thandle_t, void*, toff_t) {}

int Complain(TIFF*, void* handle, const char*, const char* format, va_list arguments) {
  MemoryFile& file = FileOf(handle);
  if (file.complaint.empty()) {
    char text[256];
    std::vsnprintf(text, sizeof text, format, arguments);
    file.complaint = text;
  }
  return 1;  // told: not to standard error as well
}

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

TiffHandle OpenMemory(MemoryFile& file, const char* mode) {
  file.position = 0;
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetErrorHandlerExtR(options, Complain, &file);
  TIFFOpenOptionsSetWarningHandlerExtR(options, Complain, &file);
  TiffHandle tiff(TIFFClientOpenExt("page", mode, &file, ReadMemory, WriteMemory, SeekMemory, CloseMemory,
                                    SizeOfMemory, MapNothing, UnmapNothing, options));
  TIFFOpenOptionsFree(options);
  return tiff;
}

// One strip of the whole picture, its 1 bits black.
bool WriteStrip(const BilevelRows& rows, MemoryFile& file) {
  TiffHandle tiff = OpenMemory(file, "w");
  if (!tiff) return false;
  TIFFSetField(tiff.get(), TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(rows.width));
  TIFFSetField(tiff.get(), TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(rows.height));
  TIFFSetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tiff.get(), TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(rows.height));
  TIFFSetField(tiff.get(), TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  TIFFSetField(tiff.get(), TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(tiff.get(), TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
  TIFFSetField(tiff.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  // The library may change the rows it codes: a copy of them.
  std::vector<uint8_t> strip(rows.bits.begin(), rows.bits.begin() + rows.rowBytes * static_cast<size_t>(rows.height));
  if (TIFFWriteEncodedStrip(tiff.get(), 0, strip.data(), static_cast<tmsize_t>(strip.size())) < 0) return false;
  return TIFFWriteDirectory(tiff.get()) == 1;
}

bool ReadStrip(MemoryFile& file, std::vector<uint8_t>& coded) {
  TiffHandle tiff = OpenMemory(file, "rm");
  if (!tiff) return false;
  const uint64_t* sizes = nullptr;
  if (TIFFGetField(tiff.get(), TIFFTAG_STRIPBYTECOUNTS, &sizes) != 1 || sizes == nullptr ||
      sizes[0] > static_cast<uint64_t>(std::numeric_limits<tmsize_t>::max())) {
    return false;
  }
  coded.resize(static_cast<size_t>(sizes[0]));
  return TIFFReadRawStrip(tiff.get(), 0, coded.data(), static_cast<tmsize_t>(coded.size())) ==
         static_cast<tmsize_t>(coded.size());
}

}  // namespace

bool EncodeGroup4(const BilevelRows& rows, std::vector<uint8_t>& coded, std::string& error) {
  MemoryFile file;
  if (WriteStrip(rows, file) && ReadStrip(file, coded)) return true;
  error = "the page cannot be coded for fax (" + (file.complaint.empty() ? std::string("no reason given") : file.complaint) + ")";
  return false;
}
