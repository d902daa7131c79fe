// Rows of image samples deflated as PDF's FlateDecode filter reads them,
// row by row so that a page need not be held whole. With prediction each
// row is led by the PNG filter that predicts it best (/Predictor 15).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class FlateRows {
 public:
  // Rows of `rowBytes` bytes, `pixelBytes` bytes a pixel (1 for fewer bits).
  FlateRows(size_t rowBytes, size_t pixelBytes, bool predict);
  ~FlateRows();
  FlateRows(const FlateRows&) = delete;
  FlateRows& operator=(const FlateRows&) = delete;

  // The next row, top first. False, with error() telling why, when the
  // library fails (and for every row after).
  bool Add(const uint8_t* row);
  // The coded rows, once every row is added; false when the library fails.
  bool Finish(std::vector<uint8_t>& coded);
  const std::string& error() const { return error_; }

 private:
  struct Stream;
  bool Deflate(const uint8_t* bytes, size_t size, int flush);
  void Predict(const uint8_t* row);

  size_t rowBytes_;
  size_t pixelBytes_;
  bool predict_;
  std::unique_ptr<Stream> stream_;
  std::vector<uint8_t> above_;     // the row before, zeros above the top
  std::vector<uint8_t> filtered_;  // the chosen filter's byte, then the row
  std::vector<uint8_t> trial_;
  std::vector<uint8_t> chunk_;  // the library's output, before it joins coded_
  std::vector<uint8_t> coded_;
  std::string error_;
};
