// The document host of the tests: the host's calls are counted, and each
// test builds its pages in a session of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "document/document_error.h"
#include "document/document_state.h"
#include "document/host.h"
#include "document/page_state.h"

using DocumentFailure = DocumentError;

struct HostRecord {
  int fits = 0;
  int invalidations = 0;
  int closes = 0;
  std::vector<uint32_t> blockSizes;  // every block handed out
};

class TestHost : public DocumentHost {
 public:
  uint8_t* ReplacePageBlock(uint32_t size) override;
  void FitWindowToPage() override { ++record.fits; }
  void InvalidatePage() override { ++record.invalidations; }
  void CloseDocument() override { ++record.closes; }
  HostRecord record;

 private:
  std::unique_ptr<uint8_t[]> block_;
};

// One document, its page and the host they are built with.
struct TestSession {
  DocumentState document;
  PageState page;
  TestHost host;
};

// The running test's session; ResetHost() starts a fresh one.
TestSession& Session();
void ResetHost();
