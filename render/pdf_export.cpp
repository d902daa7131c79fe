#include "render/pdf_export.h"

#include <qpdf/Pipeline.hh>

#include <exception>
#include <stdexcept>

#include "engine/output_file.h"
#include "render/page_spool.h"
#include "render/pdf_page_encoding.h"
#include "render/pdf_writer.h"

namespace {

// The PDF library's output into the kit's output routine.
class OutputPipeline : public Pipeline {
 public:
  explicit OutputPipeline(OutputFile& file) : Pipeline("output file", nullptr), file_(file) {}
  void write(const unsigned char* data, size_t size) override {
    if (!file_.Write(data, size)) throw std::runtime_error(file_.error());
  }
  void finish() override {}

 private:
  OutputFile& file_;
};

bool CheckPages(const kwen::Document& document, const std::vector<int32_t>& pages, std::string& error) {
  if (pages.empty()) {
    error = "there are no pages to export";
    return false;
  }
  const int32_t count = document.PageCount();
  for (int32_t page : pages) {
    if (page < 0 || page >= count) {
      error = "the document has no page " + std::to_string(int64_t{page} + 1) + " (it has " + std::to_string(count) + ")";
      return false;
    }
  }
  return true;
}

// The document's text; none, with a warning, when it is damaged.
kwen::DocumentText ReadText(const kwen::Document& document, std::vector<std::string>& warnings) {
  try {
    return document.Text();
  } catch (const std::exception& failure) {
    warnings.push_back(std::string("the document's text cannot be read (") + failure.what() +
                       "): the pages are exported without it");
  }
  return {};
}

bool WriteFile(const PdfContents& contents, const std::string& path, std::string& error) {
  OutputFile file;
  if (!file.Open(path)) {
    error = file.error();
    return false;
  }
  try {
    OutputPipeline out(file);
    WritePdfFile(contents, out);
  } catch (const std::exception& failure) {
    // A failed write has its own words; the library's failures are told as its own.
    error = file.error().empty() ? std::string("the PDF cannot be written: ") + failure.what() : file.error();
    return false;
  }
  if (file.Commit()) return true;
  error = file.error();
  return false;
}

}  // namespace

PdfExportResult ExportPdf(const kwen::Document& document, const std::vector<int32_t>& pages, const std::string& path,
                          const PdfExportOptions& options) {
  PdfExportResult result;
  if (!CheckPages(document, pages, result.error)) return result;
  const kwen::DocumentText text = ReadText(document, result.warnings);
  PageSpool spool;
  if (!spool.Open(result.error)) return result;
  std::vector<SpooledPage> coded;
  EncodingFailure failure;
  if (!EncodePages(document, pages, options.threads, spool, options.progress, coded, failure)) {
    result.failedPage = failure.page;
    result.error = failure.error;
    return result;
  }
  const PdfContents contents{coded, pages, spool, text, text.title.empty() ? options.title : text.title,
                             options.creator};
  WriteFile(contents, path, result.error);
  return result;
}
