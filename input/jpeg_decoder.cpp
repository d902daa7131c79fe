// JPEG files through libjpeg-turbo. Its errors end the decoding through
// longjmp with the library's message, and so do its warnings: each marks
// damaged or missing data that it would otherwise fill in with grey.
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

#include "input/image_codecs.h"

namespace {

// A progressive file costs a pass over the whole page for each scan; the
// encoders in use write about ten.
constexpr int kMostScans = 500;
constexpr int kInkChannels = 4;  // CMYK, as the library gives CMYK and YCCK files

struct Failure {
  jpeg_error_mgr manager;  // first: the library's pointer to it is a pointer to this
  jpeg_progress_mgr progress;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void Leave(j_common_ptr info) {
  Failure* failure = reinterpret_cast<Failure*>(info->err);
  info->err->format_message(info, failure->message);
  std::longjmp(failure->jump, 1);
}

// Level -1 is a warning of damaged data; the others are traces.
void LeaveOnWarning(j_common_ptr info, int level) {
  if (level < 0) Leave(info);
}

void LimitScans(j_common_ptr info) {
  const j_decompress_ptr decompress = reinterpret_cast<j_decompress_ptr>(info);
  if (decompress->input_scan_number <= kMostScans) return;
  Failure* failure = reinterpret_cast<Failure*>(info->err);
  std::snprintf(failure->message, sizeof failure->message, "more than %d progressive scans", kMostScans);
  std::longjmp(failure->jump, 1);
}

// The product of two samples over 255, rounded, as the Windows build's
// decoder makes it: the files hold inverted inks, so this is red, green or
// blue from cyan, magenta or yellow and black.
uint8_t InkTimesBlack(uint8_t ink, uint8_t black) {
  const unsigned product = unsigned{ink} * black + 128;
  return static_cast<uint8_t>((product + (product >> 8)) >> 8);
}

// Rows straight into the image; for inks through `inkRow`. Nothing here
// needs destroying, since an error leaves it by longjmp.
void ReadRows(jpeg_decompress_struct& info, uint8_t* rgb, uint8_t* inkRow) {
  const size_t rowBytes = size_t{3} * info.output_width;
  while (info.output_scanline < info.output_height) {
    uint8_t* row = rgb + rowBytes * info.output_scanline;
    JSAMPROW target = inkRow != nullptr ? inkRow : row;
    jpeg_read_scanlines(&info, &target, 1);
    if (inkRow == nullptr) continue;
    for (size_t x = 0; x < info.output_width; ++x) {
      const uint8_t* inks = inkRow + kInkChannels * x;
      for (int c = 0; c < 3; ++c) row[3 * x + c] = InkTimesBlack(inks[c], inks[3]);
    }
  }
}

}  // namespace

bool DecodeJpeg(const std::vector<uint8_t>& bytes, int64_t largestPixels, PageImage& image, std::string& error) {
  jpeg_decompress_struct info;
  Failure failure;
  std::vector<uint8_t> inkRow;
  info.err = jpeg_std_error(&failure.manager);
  failure.manager.error_exit = Leave;
  failure.manager.emit_message = LeaveOnWarning;
  failure.progress.progress_monitor = LimitScans;
  if (setjmp(failure.jump) != 0) {
    jpeg_destroy_decompress(&info);
    error = std::string("is not a readable image (") + failure.message + ")";
    return false;
  }
  jpeg_create_decompress(&info);
  info.progress = &failure.progress;
  jpeg_mem_src(&info, bytes.data(), bytes.size());
  jpeg_read_header(&info, TRUE);
  if (!AcceptPageSize(info.image_width, info.image_height, largestPixels, error)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  const bool inks = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = inks ? JCS_CMYK : JCS_RGB;
  image.width = static_cast<int32_t>(info.image_width);
  image.height = static_cast<int32_t>(info.image_height);
  image.rgb.assign(size_t{3} * info.image_width * info.image_height, 0);
  if (inks) inkRow.resize(size_t{kInkChannels} * info.image_width);
  jpeg_start_decompress(&info);
  ReadRows(info, image.rgb.data(), inks ? inkRow.data() : nullptr);
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}
