// Fatal errors of the engine: the run stops by throwing an EngineFailure,
// never by ending the process, for the engine is linked into libraries and
// readers. The utility's program catches it at the top and prints its text
// as the utility has always printed it, then ends with its code.
#pragma once

#include <stdexcept>
#include <string>

struct EngineFailure : std::runtime_error {
  // `text` is exactly what the utility prints for this failure.
  EngineFailure(int code, const std::string& text) : std::runtime_error(text), exitCode(code) {}
  // The text without the utility's closing "Exit code N ", for programs that
  // are not the utility and end with codes of their own.
  std::string reason() const;

  int exitCode;
};

// Throws with `format` given the exit code as its only argument ("... Exit code %d ").
[[noreturn]] void FailCoded(int exitCode, const char* format);

// Throws with `format` given one text argument (the name of a file).
[[noreturn]] void FailNamed(int exitCode, const char* format, const char* name);

// Throws with `text` as it stands.
[[noreturn]] void FailPlain(int exitCode, const char* text);

namespace msg {
constexpr const char* kInsufficientMemory = "Insufficient memory";
constexpr const char* kCantOpenToFile = "Can't open to file %s";
constexpr const char* kNoSourceStatus = "Unable_file_matching_the_third_arg. Exit code %d ";
constexpr const char* kNoPackedStatus = "Unable_file_matching_the_arcfile_name. Exit code %d ";
constexpr const char* kCantOpenOutput = "Unable_to_open_an_output_file. Exit code %d ";
constexpr const char* kCantOpenSource = "Can`t open source file. Exit code %d ";
constexpr const char* kNoSourceBuffer = "Not enough of memory for source file buffering. Exit code %d ";
constexpr const char* kNoLzMemory = "Not enough of memory for LZ buffer. Exit code %d ";
constexpr const char* kNoTargetWindow = "Not_enough_of_memory_for_LZ_buffer. Exit code %d ";
constexpr const char* kNoHuffmanMemory = "Not enough of memory for Huffman data structures. Exit code %d ";
constexpr const char* kCodeTooLong = "Stop by too long code!. Exit code %d ";
constexpr const char* kNoHlMemory = "Not_mem_in_hl. Exit code %d ";
constexpr const char* kNoHpMemory = "Not_mem_in_hp. Exit code %d ";
// Failures the utility reports so that no run that lost data ends with 0.
constexpr const char* kSourceReadError = "Can`t read source file. Exit code %d ";
constexpr const char* kPackedReadError = "Can`t read packed file. Exit code %d ";
constexpr const char* kPackedWriteError = "Can`t write packed file. Exit code %d ";
constexpr const char* kTargetWriteError = "Can`t write output file. Exit code %d ";
constexpr const char* kSourceTooLarge = "Source file is 2 GiB or larger, too large to pack. Exit code %d ";
constexpr const char* kRestoreTooLarge =
    "Restored data would reach 2 GiB, more than any source packs to. Exit code %d ";
constexpr const char* kPackedNameTooLong = "Packed file name is longer than 2047 characters. Exit code %d ";
// Refusals made before any file is created or truncated.
constexpr const char* kSameFile = "The packed file and the file are the same file. Exit code %d ";
constexpr const char* kPackedIsFolder = "The packed file is a folder. Exit code %d ";
constexpr const char* kPackedIsEmpty = "The packed file is empty. Exit code %d ";
}  // namespace msg

namespace exitcode {
constexpr int kSuccess = 0;
constexpr int kUsage = 1;
constexpr int kFailure = 2;
constexpr int kUnknownCommand = 4;
}  // namespace exitcode
