// The one way the programs open a file: a packed .kwen document, restored in
// memory as far as the pages read need; an unpacked document; or a plain BMP
// file. Each program words its own refusals and warnings.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "document/doc_file.h"
#include "document/document_state.h"
#include "document/host.h"
#include "document/page_state.h"
#include "engine/memory_pack.h"
#include "library/file_kind.h"

// One open file and its page state: one thread at a time uses it. Its
// files refer to it, so it stays where it was opened.
struct KwenDocument {
  FileKind kind = FileKind::kOther;
  bool bitmap = false;             // one page, read from the file by ReadBmpFile
  std::vector<uint8_t> ownBytes;   // the file, when the document holds it
  const uint8_t* bytes = nullptr;  // the file: its own bytes or the caller's
  int64_t size = 0;
  std::unique_ptr<MemoryUnpack> unpack;  // for a packed document
  // Called the first time restoring meets the end of a packed stream cut short.
  void (*streamCut)() = nullptr;
  DocFile hdoc;
  DocFile hofs;
  DocumentState table;
  PageState page;
  int64_t documentBytes = 0;  // the unpacked document's size, from its page table

  KwenDocument() = default;
  KwenDocument(const KwenDocument&) = delete;
  KwenDocument& operator=(const KwenDocument&) = delete;
  ~KwenDocument();
};

// How a stopped restore ended.
enum class RestoreEnd {
  kWhole,     // the whole document is there
  kTooLarge,  // it restores to more than the restore's limit
  kCutShort,  // the packed data ran out: the file is cut short
  kDamaged,   // a code that makes no sense, or an early end mark
};

// Opens the file named `path` whose `size` bytes are at `bytes` (borrowed:
// they outlive the document), or are `file` (kept). A document's page table
// is read, and nothing past its last page is ever restored. A file of
// another kind is opened no further. Throws a DocumentError for bad input.
void OpenKwenDocument(KwenDocument& document, DocumentHost& host, const char* path, const uint8_t* bytes,
                      int64_t size);
void OpenKwenDocument(KwenDocument& document, DocumentHost& host, const char* path, std::vector<uint8_t> file);

// The unpacked bytes there are so far (all of them for an unpacked file).
int64_t RestoredBytes(const KwenDocument& document);
// Restores a packed document until `wanted` bytes are there, its limit is
// met or its stream ends.
void RestoreUpTo(KwenDocument& document, int64_t wanted);
// True once restoring can go no further: the whole document is there, or
// its packed data has ended short of it.
bool RestoreStopped(const KwenDocument& document);
// How a stopped restore ended.
RestoreEnd HowRestoreEnded(const KwenDocument& document);
// The pages whose bytes are all restored.
int32_t PagesRestored(const KwenDocument& document);
