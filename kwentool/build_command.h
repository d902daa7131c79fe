// kwentool build: a packed document from page images.
#pragma once

#include "kwentool/build_options.h"

// Builds, packs and writes the document; returns the exit status.
int RunBuild(const BuildOptions& options);
