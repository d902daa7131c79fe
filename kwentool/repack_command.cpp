#include "kwentool/repack_command.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "builder/document_packing.h"
#include "document/document_kind.h"
#include "document/document_layout.h"
#include "engine/memory_pack.h"
#include "engine/output_file.h"
#include "input/file_bytes.h"
#include "kwen/document.h"
#include "kwentool/open_document.h"
#include "kwentool/output_check.h"
#include "library/file_kind.h"

namespace {

constexpr int kRepackFailed = 1;

int Refuse(const std::string& text) {
  std::fprintf(stderr, "kwentool: %s\n", text.c_str());
  return kRepackFailed;
}

}  // namespace

int RepackDocument(const char* inPath, const char* outPath) {
  if (!IsPackedDocumentName(inPath)) return Refuse(std::string(inPath) + " is not a packed document (.kwen)");
  if (!IsPackedDocumentName(outPath)) {
    return Refuse("the output's name must end in .kwen, by which the viewer knows it");
  }
  if (IsOutputTheDocument(inPath, outPath)) return kRepackFailed;
  std::vector<uint8_t> file;
  const FileRead read = ReadFileBytes(inPath, file);
  if (read == FileRead::kNotOpened) return Refuse(std::string("File does not exist: ") + inPath);
  if (read == FileRead::kNotRead) return Refuse(std::string("Cannot read ") + inPath);
  const UnpackResult label = UnpackBytes(file.data(), file.size(), kLabelBytes);
  if (!label.hasHeader) return Refuse(std::string(inPath) + " is empty");
  if (!HasDocumentLabel(label.bytes.data(), static_cast<int64_t>(label.bytes.size()))) {
    return Refuse(std::string(inPath) + " does not hold a document (no label KNWE)");
  }
  std::vector<uint8_t> restored;
  if (!RestoreWhole(kwen::Document::FromBytes(file, inPath), file, restored)) {
    return Refuse(std::string(inPath) + " is damaged: its packed data does not end cleanly");
  }
  Switches switches;
  switches.windowExponent = DeclaredWindowExponent(file);
  const std::vector<uint8_t> packed = PackBestChecked(restored, switches);
  std::string error;
  if (!WriteWholeFile(outPath, packed, error)) return Refuse(error);
  std::printf("%s: %zu bytes packed, %zu before (%zu unpacked)\n", outPath, packed.size(), file.size(),
              restored.size());
  return 0;
}
