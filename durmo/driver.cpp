#include "durmo/driver.h"

#include <cstdio>
#include <cstring>

#include "engine/bit_file.h"
#include "engine/compress_run.h"
#include "engine/decompress_run.h"
#include "engine/fail.h"
#include "engine/output_file.h"
#include "engine/platform_io.h"

namespace {

constexpr const char* kUsageLine =
    "DURMO a[x] packfile[.ext] file [/T(aut)|/S(low)/G(ood -def)|/F(ast)|/Q(uick)] "
    "[/H(uge)|/L(arge)|/M(edium)|/2(2 megabyte)|/1(1 megabyte -def)|/C(ompact)|/S(mall)|/T(iny)]  \n";
constexpr const char* kBannerLine =
    "Compress/decompress utility, free to use, copy and pass on; no warranty.\n";
constexpr const char* kPurposeLine =
    "Good compression for large and rather redundant files (DOC,LIB,DBF,CDX and so on)";
constexpr size_t kExtensionLetters = 3;
constexpr int kHeaderBits = 5;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool IsPrefixMark(char c) { return c == '.' || c == ':'; }

void PrintUsage() {
  std::fputs(kUsageLine, stdout);
  std::fputs(kBannerLine, stdout);
  std::fputs(kPurposeLine, stdout);
}

// Writing a file while reading it would destroy it.
void RefuseSameFile(const char* packedName, const char* otherName) {
  if (IsSameFile(packedName, otherName)) FailCoded(exitcode::kFailure, msg::kSameFile);
}

// The engine's state of one run. A failure unwinds through it: its memory
// is freed and nothing more is written. (A run that succeeds releases it
// itself, writing out what is left, and leaves nothing to free.)
struct RunState {
  BitFile packed;
  HpModel hp;
  HlModel hl[kDistanceModels];
  LzBuffer lz;
  bool restoring = false;

  RunState() = default;
  RunState(const RunState&) = delete;
  RunState& operator=(const RunState&) = delete;
  ~RunState() {
    packed.mode = 0;  // a bit file in write mode would write its buffer out
    ReleaseBitFile(packed);
    ReleaseDistanceModels(hl);
    ReleaseHp(hp);
    if (restoring) {
      lz.writePosition = lz.handedOn;  // and a target what it has not handed on
      ReleaseTarget(lz);
    } else {
      ReleaseSource(lz);
    }
  }
};

// The source is opened before the packed file is created: a source that
// cannot be read leaves a packed file already under the name as it was. The
// packed file is written beside its name and takes the name once complete,
// so a run that fails half-way (the failure unwinds through the output)
// leaves nothing of itself behind.
int Compress(const char* packedName, const char* sourceName, const Switches& switches) {
  int64_t sourceSize;
  if (!QueryFileSize(sourceName, &sourceSize)) FailCoded(exitcode::kFailure, msg::kNoSourceStatus);
  if (sourceSize > kLargestSource) FailCoded(exitcode::kFailure, msg::kSourceTooLarge);
  RefuseSameFile(packedName, sourceName);
  WindowChoice window = ChooseWindow(sourceSize, switches.windowExponent);
  RunState run;
  LzBuffer& lz = run.lz;
  OpenSource(lz, sourceName, window.size, int32_t{1} << switches.searchExponent);
  OutputFile output;
  if (!output.Open(packedName)) FailNamed(exitcode::kUsage, msg::kCantOpenToFile, packedName);
  BitFile& packed = run.packed;
  OpenBitFileForOutput(packed, &output, kBitFileBufferSize);
  HpModel& hp = run.hp;
  BuildHp(hp);
  HlModel (&hl)[kDistanceModels] = run.hl;
  BuildDistanceModels(hl, window.exponent);
  WriteBits(packed, static_cast<uint32_t>(window.exponent) & 0x1Fu, kHeaderBits);
  std::fprintf(stderr, "The file %s is processed:    ", sourceName);
  CompressRun(packed, lz, hp, hl, sourceSize, stderr);
  Finish(packed);
  const int64_t packedSize = static_cast<int64_t>(packed.bytesWritten);
  ReleaseDistanceModels(hl);
  ReleaseHp(hp);
  ReleaseSource(lz);
  ReleaseBitFile(packed);
  if (!output.Commit()) FailCoded(exitcode::kFailure, msg::kPackedWriteError);
  double ratio = sourceSize != 0 ? static_cast<double>(packedSize) / static_cast<double>(sourceSize) : 1.0;
  std::fprintf(stderr, "\nTarget file %s is %7.5f bit, %6.2f%%\n", packedName, 8 * ratio, 100 * ratio);
  return exitcode::kSuccess;
}

// Opens the packed file and reads its header; a failure when it has none.
void OpenPackedFile(BitFile& packed, const char* packedName, uint32_t* exponent) {
  if (IsDirectory(packedName)) FailCoded(exitcode::kFailure, msg::kPackedIsFolder);
  OpenBitFile(packed, packedName, kBitFileReadSize);
  if (ReadBits(packed, exponent, kHeaderBits) == 0) FailCoded(exitcode::kFailure, msg::kPackedIsEmpty);
}

}  // namespace

// The packed file and its header are read, and all memory taken, before the
// target is created: a packed file that cannot be restored, or a run short
// of memory, leaves a target already under the name as it was. A new target
// is written where it stands, in whole pieces, so that a viewer can read it
// as it grows; an existing one is replaced only once the run succeeds. A run
// that fails (the failure unwinds through the target) removes a target it
// created.
int RestoreFile(const char* packedName, const char* targetName, int64_t limit) {
  int64_t packedSize;
  if (!QueryFileSize(packedName, &packedSize)) FailCoded(exitcode::kFailure, msg::kNoPackedStatus);
  RefuseSameFile(packedName, targetName);
  RunState run;
  run.restoring = true;
  BitFile& packed = run.packed;
  uint32_t exponent = 0;
  OpenPackedFile(packed, packedName, &exponent);
  HpModel& hp = run.hp;
  BuildHp(hp);
  HlModel (&hl)[kDistanceModels] = run.hl;
  BuildDistanceModels(hl, static_cast<int>(exponent));
  LzBuffer& lz = run.lz;
  OpenTargetWindow(lz, RestoreWindowFor(exponent));
  lz.restoreLimit = limit;
  OutputFile target;
  if (!target.Open(targetName, OutputFile::NewName::kInPlace)) FailCoded(exitcode::kFailure, msg::kCantOpenOutput);
  AttachTarget(lz, &target);
  std::fprintf(stderr, "The file %s is processed:    ", packedName);
  DecodeEnd end = DecompressRun(lz, packed, hp, hl, packedSize, stderr);
  if (end == DecodeEnd::kOverLimit) FailCoded(exitcode::kFailure, msg::kRestoreTooLarge);
  if (end != DecodeEnd::kEndMark) {
    std::fputs("\nWarning: the packed data ended before its end mark", stderr);
  }
  ReleaseDistanceModels(hl);
  ReleaseHp(hp);
  ReleaseTarget(lz);
  ReleaseBitFile(packed);
  if (!target.Commit()) FailCoded(exitcode::kFailure, msg::kTargetWriteError);
  std::fprintf(stderr, "\nDecompressed data in %s\n", targetName);
  return exitcode::kSuccess;
}

std::string DefaultExtension(const char* invocationName) {
  const size_t length = std::strlen(invocationName);
  size_t base = 0;
  bool separated = false;
  for (size_t i = length; i-- > 1;) {
    if (IsSeparator(invocationName[i])) {
      base = i + 1;
      separated = true;
      break;
    }
  }
  if (!separated && length > 0) {
    if (IsSeparator(invocationName[0])) {
      base = 1;
    } else if (IsPrefixMark(invocationName[0])) {
      while (IsPrefixMark(invocationName[base])) ++base;
    } else if (length > 1 && IsPrefixMark(invocationName[1])) {
      base = 1;
      while (IsPrefixMark(invocationName[base])) ++base;
    }
  }
  std::string extension = ".";
  for (size_t i = base; invocationName[i] != '\0' && invocationName[i] != '.' &&
                        extension.size() <= kExtensionLetters;
       ++i) {
    extension += invocationName[i];
  }
  return extension;
}

namespace {

int Run(int argc, const char* const* argv) {
  if (argc < 4) {
    PrintUsage();
    return exitcode::kUsage;
  }
  const Switches switches = ParseSwitches(argc, argv);
  std::string packedName = argv[2];
  if (packedName.find('.') == std::string::npos) packedName += DefaultExtension(argv[0]);
  if (packedName.size() >= kPackedNameBufferSize) FailCoded(exitcode::kUsage, msg::kPackedNameTooLong);
  switch (argv[1][0]) {
    case 'a': return Compress(packedName.c_str(), argv[3], switches);
    case 'x': return RestoreFile(packedName.c_str(), argv[3], kLargestSource);
    default: return exitcode::kUnknownCommand;
  }
}

// The text goes to standard output as the utility has always printed it.
int ReportFailure(const EngineFailure& failure) {
  std::fputs(failure.what(), stdout);
  std::fflush(stdout);
  return failure.exitCode;
}

}  // namespace

int RunDriver(int argc, const char* const* argv) {
  try {
    return Run(argc, argv);
  } catch (const EngineFailure& failure) {
    return ReportFailure(failure);
  }
}
