// The run-time library's low-level file calls, as the utility uses them.
// On Windows these are the CRT's own (_creat, _open, _read, ...); elsewhere
// the POSIX equivalents stand in for them.
#pragma once

#include <cstdint>
#include <cstdio>

// Opens an existing file for binary reading; -1 on failure.
int OpenBinaryFile(const char* name);
// Returns the count transferred, or -1 on failure.
int ReadDescriptor(int descriptor, void* buffer, unsigned count);
void CloseDescriptor(int descriptor);

// The file status query: true with the size when the name has a status.
bool QueryFileSize(const char* name, int64_t* size);
// True when the name is that of an existing directory.
bool IsDirectory(const char* name);
// True only when both names exist and are one file: the same device and
// inode, on Windows the same volume and file index, so that links and other
// spellings of a path are caught too.
bool IsSameFile(const char* a, const char* b);

// fopen for the source ("rb"), refusing what is not a regular file, so that a
// directory is refused at open time on every system.
FILE* OpenSourceStream(const char* name);
