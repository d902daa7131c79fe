#include "kwentool/ocr_command.h"

#include <cstdio>
#include <limits>
#include <vector>

#include "document/document_kind.h"
#include "engine/memory_pack.h"
#include "engine/output_file.h"
#include "kwentool/build_options.h"
#include "kwentool/open_document.h"
#include "kwentool/output_check.h"
#include "kwentool/page_pipeline.h"
#include "kwentool/page_recognition.h"
#include "render/text_formats.h"

namespace {

constexpr int kOcrFailed = 1;

int Refuse(const std::string& text) {
  std::fprintf(stderr, "kwentool: %s\n", text.c_str());
  return kOcrFailed;
}

// The text kept from the input: its title and outline. A damaged one is
// dropped with a warning, as its pages are read again anyway.
kwen::DocumentText KeptText(const kwen::Document& document, const std::string& path) {
  try {
    kwen::DocumentText text = document.Text();
    text.pages.clear();
    return text;
  } catch (const kwen::Error& failure) {
    std::fprintf(stderr, "kwentool: warning: %s: %s; its title and outline are lost\n", path.c_str(),
                 failure.what());
    return {};
  }
}

// The input's window, unless it was lowered to cover just the input: the
// document grows by its text, and a window as large as asked, unknown
// now, is at least the default's.
Switches SwitchesFor(const kwen::Document& document, const std::vector<uint8_t>& file, size_t unpackedSize) {
  Switches switches;
  if (document.Kind() != kwen::FileKind::kPacked) return switches;
  const int declared = DeclaredWindowExponent(file);
  const int wholeInput = ChooseWindow(static_cast<int64_t>(unpackedSize), std::numeric_limits<int>::max()).exponent;
  const bool lowered = declared >= wholeInput;
  switches.windowExponent = lowered && declared < switches.windowExponent ? switches.windowExponent : declared;
  return switches;
}

}  // namespace

bool ParseOcrArguments(int argc, const char* const* argv, OcrArguments& arguments, std::string& error) {
  std::vector<std::string> files;
  arguments.language = kDefaultLanguage;
  for (int i = 0; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool takesValue = argument == "--lang" || argument == "--jobs";
    if (takesValue && i + 1 == argc) {
      error = argument + " needs a value";
      return false;
    }
    if (argument == "--lang") {
      if (!ParseLanguage(argv[++i], arguments.language, error)) return false;
    } else if (argument == "--jobs") {
      if (!ParseJobs(argv[++i], arguments.jobs, error)) return false;
    } else if (argument.size() > 1 && argument[0] == '-') {
      error = "unknown option '" + argument + "'";
      return false;
    } else {
      files.push_back(argument);
    }
  }
  if (files.size() != 2) {
    error = "ocr takes IN.kwen OUT.kwen [--lang L] [--jobs N]";
    return false;
  }
  arguments.input = files[0];
  arguments.output = files[1];
  return true;
}

int AddTextLayer(const OcrArguments& arguments) {
  const char* inPath = arguments.input.c_str();
  if (!IsPackedDocumentName(arguments.output.c_str())) {
    return Refuse("the output's name must end in .kwen, by which the viewer knows it");
  }
  if (IsOutputTheDocument(inPath, arguments.output)) return kOcrFailed;
  std::string error;
  if (!CanRecognise(arguments.language, error)) return Refuse(error);
  std::vector<uint8_t> file;
  const kwen::Document document = OpenToolDocument(inPath, &file);
  if (document.Kind() == kwen::FileKind::kBitmap) return Refuse(arguments.input + " is not a document");
  std::vector<uint8_t> bytes;
  if (!RestoreWhole(document, file, bytes)) {
    return Refuse(arguments.input + " is damaged: its pages do not restore cleanly");
  }
  const int64_t pagesEnd = document.Progress().total;
  const Switches switches = SwitchesFor(document, file, bytes.size());
  bytes.resize(static_cast<size_t>(pagesEnd));
  kwen::DocumentText text = KeptText(document, arguments.input);
  const RecognitionSettings settings{arguments.language, arguments.jobs > 0 ? arguments.jobs : DefaultWorkers(),
                                     false};
  if (!RecognisePages(document, settings, text.pages, error)) return Refuse(arguments.input + " " + error);
  const std::vector<uint8_t> stored = kwen::EncodeText(text, document.PageCount());
  bytes.insert(bytes.end(), stored.begin(), stored.end());
  const std::vector<uint8_t> packed = PackBytes(bytes.data(), bytes.size(), switches);
  if (!WriteWholeFile(arguments.output, packed, error)) return Refuse(error);
  std::printf("%s: %lld words on %d pages, %zu bytes packed\n", arguments.output.c_str(),
              static_cast<long long>(WordCount(text)), document.PageCount(), packed.size());
  return 0;
}
