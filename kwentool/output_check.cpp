#include "kwentool/output_check.h"

#include <cstdio>

#include "engine/platform_io.h"

bool IsOutputTheDocument(const char* docPath, const std::string& outPath) {
  if (!IsSameFile(docPath, outPath.c_str())) return false;
  std::fprintf(stderr, "kwentool: %s is the document itself: it would be replaced\n", outPath.c_str());
  return true;
}
