#include "kwentool/build_command.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

#include "builder/document_packing.h"
#include "builder/document_writer.h"
#include "builder/page_check.h"
#include "builder/page_plan.h"
#include "document/document_state.h"
#include "engine/memory_pack.h"
#include "engine/output_file.h"
#include "engine/platform_io.h"
#include "input/input_pages.h"
#include "kwentool/page_pipeline.h"
#include "kwentool/page_progress.h"
#include "kwentool/page_recognition.h"
#include "kwentool/source_outline.h"
#include "render/text_formats.h"

namespace {

constexpr int kBuildFailed = 1;
// Pages prepared ahead of the one being written, for each worker: enough
// to keep every worker busy while a slow page is written, few enough that
// the pages waiting hold little memory.
constexpr int32_t kPagesAheadPerWorker = 2;

[[noreturn]] void FailBuild(const std::string& text) {
  std::fprintf(stderr, "kwentool: %s\n", text.c_str());
  std::exit(kBuildFailed);
}

// One page of the document and where it comes from.
struct PageJob {
  const InputFile* input;
  int32_t page;           // in its file, from 1
  int32_t index;          // in the document, from 0
  std::string name;       // for messages: the file, and the page of a file of pages
  uint64_t sourceBytes;   // the size of its file
};

// A page read and planned, or why it could not be.
struct PreparedPage {
  PagePlan plan;
  std::string error;
};

const char* DepthName(uint16_t bits) { return bits == 1 ? "bitonal" : bits == 8 ? "8-bit grey" : "24-bit"; }

void ReportCompound(const PagePlan& plan, const WrittenPage& written) {
  const CompoundPlan& compound = plan.compound;
  std::printf("%s, %lld masks in %zu inks, %zu pictures (%lld bytes), ", CompoundKindName(compound.kind),
              static_cast<long long>(written.compound.masks), compound.inks.size(), compound.pictures.size(),
              static_cast<long long>(written.compound.pictureBytes));
  if (compound.paper.found && compound.kind != CompoundKind::kPhotograph) {
    std::printf("paper %d,%d,%d made white, ", compound.paper.colour[0], compound.paper.colour[1],
                compound.paper.colour[2]);
  }
}

void ReportPage(int32_t index, const std::string& path, const PagePlan& plan, const WrittenPage& written,
                const SpotCounts& before, const SpotCounts& after, const PageComparison& comparison) {
  std::printf("page %d (%s): %d x %d, %s, ", index + 1, path.c_str(), plan.image.width, plan.image.height,
              DepthName(written.bits));
  if (plan.kind == PlanKind::kCompound) ReportCompound(plan, written);
  std::printf("%lld spots, %lld references, %lld pictures, ", static_cast<long long>(after.spots - before.spots),
              static_cast<long long>(after.references - before.references),
              static_cast<long long>(after.rawPictures + after.compactPictures - before.rawPictures -
                                     before.compactPictures));
  if (comparison.differentPixels == 0) {
    std::printf("restored exactly\n");
  } else {
    std::printf("PSNR %.2f dB\n", comparison.psnr);
  }
}

void ReportDocument(const BuildOptions& options, const DocumentWriter& document, const kwen::DocumentText& text,
                    size_t packedSize) {
  const SpotCounts& counts = document.counts;
  std::printf("%s: %d pages\n", options.output.c_str(), document.pagesDone);
  std::printf("  spots       %lld (%lld inline masks, %lld references)\n", static_cast<long long>(counts.spots),
              static_cast<long long>(counts.inlineMasks), static_cast<long long>(counts.references));
  std::printf("  pictures    %lld (%lld compact-coded)\n",
              static_cast<long long>(counts.rawPictures + counts.compactPictures),
              static_cast<long long>(counts.compactPictures));
  if (!text.Empty()) {
    std::printf("  text        %lld words, %zu outline entries%s\n", static_cast<long long>(WordCount(text)),
                text.outline.size(), text.title.empty() ? "" : ", a title");
  }
  std::printf("  unpacked    %zu bytes\n", document.bytes.size());
  std::printf("  packed      %zu bytes\n", packedSize);
}

// What would store a page smaller than the build did.
std::string Advice(const BuildOptions& options, const PagePlan& plan) {
  const char* shareShapes = "--lossy shares the shapes of its letters";
  const char* lowerQuality = "a lower --quality codes its pictures smaller";
  switch (plan.kind) {
    case PlanKind::kBitonal:
      return options.lossy ? "" : shareShapes;
    case PlanKind::kPixels:
      return plan.quality == 0 ? "--mode auto stores a scan as text and pictures" : lowerQuality;
    case PlanKind::kCompound:
      if (plan.compound.kind == CompoundKind::kText) return options.lossy ? "" : shareShapes;
      return lowerQuality;
  }
  return "";
}

// Warns when a page scanned into an image file is stored larger than its
// share of that file, naming what would help. Pages drawn from a PDF are
// always larger than the drawing's instructions, which no option changes.
void HintAtLargePage(const BuildOptions& options, const PageJob& job, const PagePlan& plan, const Bytes& record) {
  if (job.input->kind == InputKind::kPdf) return;
  const uint64_t share = job.sourceBytes / job.input->pages.size();
  if (record.size() <= share) return;
  const size_t packed = PackBytes(record.data(), record.size(), options.switches).size();
  if (packed <= share) return;
  const std::string advice = Advice(options, plan);
  std::fprintf(stderr, "kwentool: page %d (%s) is stored in %zu bytes, more than the %llu of its source%s%s\n",
               job.index + 1, job.name.c_str(), packed, static_cast<unsigned long long>(share),
               advice.empty() ? "" : "; ", advice.c_str());
}

// The input file a worker has open, kept from page to page of one file.
struct WorkerReader {
  const InputFile* input = nullptr;
  InputReader reader;
  WorkerReader() = default;
  WorkerReader(const WorkerReader&) = delete;
  WorkerReader& operator=(const WorkerReader&) = delete;
  ~WorkerReader() { Close(); }
  void Close() {
    if (input != nullptr) CloseInputReader(reader);
    input = nullptr;
  }
};

void PreparePage(const BuildOptions& options, const PageJob& job, WorkerReader& worker, PreparedPage& prepared) {
  try {
    if (worker.input != job.input) {
      worker.Close();
      if (!OpenInputReader(*job.input, worker.reader, prepared.error)) {
        prepared.error = job.input->path + " " + prepared.error;
        return;
      }
      worker.input = job.input;
    }
    PageImage image;
    if (!ReadInputPage(worker.reader, job.page, options.dotsPerInch, options.pdfLimits, image, prepared.error)) {
      prepared.error = job.input->path + " " + prepared.error;
      return;
    }
    if (image.xPelsPerMetre <= 0 || image.yPelsPerMetre <= 0) {
      image.xPelsPerMetre = image.yPelsPerMetre = PelsPerMetre(options.dotsPerInch);
    }
    prepared.plan = PlanPage(options, std::move(image));
  } catch (const std::bad_alloc&) {
    prepared.error = "page " + std::to_string(job.index + 1) + " (" + job.name + ") needs more memory than there is";
  }
}

// Writes a prepared page, checks it by building it back, and reports it.
// Returns why it failed, or nothing.
std::string WritePage(const BuildOptions& options, DocumentWriter& document, ShapeClasses& classes,
                      const PageJob& job, PagePlan& plan) {
  const std::string page = "page " + std::to_string(job.index + 1);
  const SpotCounts before = document.counts;
  const size_t recordStart = document.bytes.size();
  WrittenPage written;
  std::string error;
  if (!WritePlannedPage(options, document, plan, classes, written, error)) return page + " (" + job.name + ") " + error;
  if (!EndPage(document)) return "the unpacked document would reach 2 GiB at " + page;
  const PageComparison comparison = CompareBuiltPage(document, job.index, plan.image, CheckedInk(plan));
  if (KeepsEveryPixel(plan, options) && comparison.differentPixels != 0) {
    return "internal error: " + page + " does not build back to its pixels";
  }
  HintAtLargePage(options, job, plan,
                  Bytes(document.bytes.begin() + static_cast<std::ptrdiff_t>(recordStart), document.bytes.end()));
  if (!options.verbose) return "";
  ReportPage(job.index, job.name, plan, written, before, document.counts, comparison);
  if (plan.kind == PlanKind::kBitonal) ReportScanPage(options, written.scan, classes);
  return "";
}

std::vector<PageJob> ListPages(const std::vector<InputFile>& inputs) {
  std::vector<PageJob> jobs;
  for (const InputFile& input : inputs) {
    const bool wholeFile = input.kind == InputKind::kImage;
    int64_t bytes = 0;
    QueryFileSize(input.path.c_str(), &bytes);
    for (int32_t page : input.pages) {
      const int32_t index = static_cast<int32_t>(jobs.size());
      jobs.push_back(PageJob{&input, page, index, wholeFile ? input.path : input.path + ":" + std::to_string(page),
                             static_cast<uint64_t>(bytes)});
    }
  }
  return jobs;
}

void WarnOfDroppedWords(const PageJob& job, const PageImage& image) {
  if (image.textDropped.empty()) return;
  std::fprintf(stderr, "kwentool: warning: page %d (%s) %s; its words are left out, its pixels kept\n",
               job.index + 1, job.name.c_str(), image.textDropped.c_str());
}

int Workers(const BuildOptions& options) { return options.jobs > 0 ? options.jobs : DefaultWorkers(); }

// Reads and plans the pages on every worker and writes them in order;
// returns the words the pages' files hold (a PDF page's own text).
std::vector<kwen::PageText> BuildPages(const BuildOptions& options, const std::vector<PageJob>& jobs,
                                       DocumentWriter& document) {
  const int workers = Workers(options);
  std::vector<WorkerReader> readers(static_cast<size_t>(workers));
  std::vector<std::unique_ptr<PreparedPage>> prepared(jobs.size());
  std::vector<kwen::PageText> words(jobs.size());
  ShapeClasses classes;
  const PageProgress progress = StartPageProgress(static_cast<int32_t>(jobs.size()));
  std::string failure;
  RunPagePipeline(
      static_cast<int32_t>(jobs.size()), workers, workers * kPagesAheadPerWorker,
      [&](int32_t page, int worker) {
        auto result = std::make_unique<PreparedPage>();
        PreparePage(options, jobs[static_cast<size_t>(page)], readers[static_cast<size_t>(worker)], *result);
        prepared[static_cast<size_t>(page)] = std::move(result);
      },
      [&](int32_t page) {
        std::unique_ptr<PreparedPage> ready = std::move(prepared[static_cast<size_t>(page)]);
        failure = ready->error;
        if (failure.empty()) {
          ShowPageProgress(progress, page + 1);
          const PageJob& job = jobs[static_cast<size_t>(page)];
          failure = WritePage(options, document, classes, job, ready->plan);
          WarnOfDroppedWords(job, ready->plan.image);
          words[static_cast<size_t>(page)] = std::move(ready->plan.image.text);
        }
        return failure.empty();
      });
  readers.clear();
  EndPageProgress(progress);
  if (!failure.empty()) FailBuild(failure);
  return words;
}

void ReportFoundWords(const std::vector<kwen::PageText>& pages) {
  for (size_t k = 0; k < pages.size(); ++k) {
    if (pages[k].Empty()) continue;
    std::printf("page %zu: %lld words from its file\n", k + 1, static_cast<long long>(WordCount(pages[k])));
  }
}

// What is stored after the pages: the title (--title, else a PDF input's),
// the PDF inputs' outlines and each page's words, read from its pixels
// with --ocr, else those its file holds.
kwen::DocumentText TextOf(const BuildOptions& options, const std::vector<InputFile>& inputs,
                          const DocumentWriter& document, std::vector<kwen::PageText> foundWords) {
  kwen::DocumentText text;
  if (options.title) text.title = *options.title;
  TakeSourceOutlines(inputs, options.pdfLimits, options.title.has_value(), text);
  if (!options.ocr) {
    if (options.verbose) ReportFoundWords(foundWords);
    text.pages = std::move(foundWords);
    return text;
  }
  // The pages as they were written, --lossy's shapes and all: the words
  // are found where a reader sees them.
  kwen::OpenOptions unpacked;
  unpacked.readAs = kwen::FileKind::kUnpacked;
  const kwen::Document written = kwen::Document::FromBytes(document.bytes, options.output, unpacked);
  std::string error;
  if (!RecognisePages(written, RecognitionSettings{options.language, Workers(options), options.verbose}, text.pages,
                      error)) {
    FailBuild(error);
  }
  return text;
}

}  // namespace

int RunBuild(const BuildOptions& options) {
  std::string error;
  if (options.ocr && !CanRecognise(options.language, error)) FailBuild(error);
  std::vector<InputFile> inputs;
  if (!ResolveInputs(options.pages, inputs, error)) FailBuild(error);
  size_t pageCount = 0;
  for (const InputFile& input : inputs) {
    if (IsSameFile(options.output.c_str(), input.path.c_str())) {
      FailBuild(options.output + " is one of the page images: it would be replaced");
    }
    pageCount += input.pages.size();
  }
  if (pageCount > static_cast<size_t>(kMaxPages)) {
    FailBuild("the inputs hold " + std::to_string(pageCount) + " pages; a document holds at most " +
              std::to_string(kMaxPages));
  }
  const std::vector<PageJob> jobs = ListPages(inputs);
  DocumentWriter document;
  BeginDocument(document, static_cast<int32_t>(jobs.size()));
  std::vector<kwen::PageText> foundWords = BuildPages(options, jobs, document);
  const kwen::DocumentText text = TextOf(options, inputs, document, std::move(foundWords));
  const std::vector<uint8_t> stored = kwen::EncodeText(text, static_cast<int32_t>(jobs.size()));
  document.bytes.insert(document.bytes.end(), stored.begin(), stored.end());
  const std::vector<uint8_t> packed = options.packBest
                                          ? PackBestChecked(document.bytes, options.switches)
                                          : PackBytes(document.bytes.data(), document.bytes.size(), options.switches);
  if (!WriteWholeFile(options.output, packed, error)) FailBuild(error);
  ReportDocument(options, document, text, packed.size());
  return 0;
}
