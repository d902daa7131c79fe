#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "input/page_file_readers.h"

namespace {

// The folder of the running program, with its separator; empty when the
// system does not tell.
std::string ProgramFolder() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
  if (length <= 0 || static_cast<size_t>(length) == sizeof path) return std::string();
  const std::string program(path, static_cast<size_t>(length));
  return program.substr(0, program.rfind('/') + 1);
}

const PageFileReaders* LoadFrom(const std::string& path, std::string& error) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* reason = dlerror();
    error = reason != nullptr ? reason : path + ": cannot be loaded";
    return nullptr;
  }
  using Entry = const PageFileReaders* (*)();
  const auto entry = reinterpret_cast<Entry>(dlsym(module, KWEN_PAGE_FILE_READERS_ENTRY));
  const PageFileReaders* readers = entry != nullptr ? entry() : nullptr;
  if (readers == nullptr || readers->layout != kPageFileReadersLayout) {
    dlclose(module);
    error = path + " is not this kwentool's page module";
    return nullptr;
  }
  return readers;
}

// Never from the working folder: an unknown program folder goes straight to
// the build's path.
const PageFileReaders* Load(std::string& error) {
  const std::string folder = ProgramFolder();
  const std::string beside = folder + kPageFileModuleName;
  if (!folder.empty() && access(beside.c_str(), F_OK) == 0) return LoadFrom(beside, error);
  return LoadFrom(KWEN_PAGE_FILE_MODULE_BUILT, error);
}

}  // namespace

const PageFileReaders* LoadPageFileReaders(std::string& error) {
  static std::string loadError;
  static const PageFileReaders* const readers = Load(loadError);
  if (readers == nullptr) error = "needs " + std::string(kPageFileModuleName) + " (" + loadError + ")";
  return readers;
}
