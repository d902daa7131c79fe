// A document file read by position, by any number of threads at once; a
// file another program is still writing is waited for while it runs.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "document/byte_store.h"

// Throws a DocumentError, in plain words, when the file cannot be opened.
std::unique_ptr<ByteStore> OpenFileStore(const std::string& path, std::function<bool()> writerRunning);
