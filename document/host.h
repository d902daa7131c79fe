// What the document code needs from the program around it, passed in by
// the caller. The viewer implements it with Win32 (global memory, the
// window); the console tool, the reader and the tests with their own means.
#pragma once

#include <cstdint>
#include <memory>

class DocumentHost {
 public:
  virtual ~DocumentHost() = default;
  // Replaces the page bitmap block by one of `size` bytes and returns it.
  virtual uint8_t* ReplacePageBlock(uint32_t size) = 0;
  // The page size changed: the window adapts to it.
  virtual void FitWindowToPage() {}
  // A spot has been drawn: the window is to be repainted.
  virtual void InvalidatePage() {}
  // Closes the open document (ending its unpacking); used before a refusal.
  virtual void CloseDocument() {}
};

// A host without a window: the page bitmap is ordinary heap memory, owned
// here; lack of it is a DocumentError.
class HeapPageHost : public DocumentHost {
 public:
  uint8_t* ReplacePageBlock(uint32_t size) override;

 private:
  std::unique_ptr<uint8_t[]> block_;
};
