#pragma once
// Opening files that are meant to be read to their end: a FIFO or a device named by mistake (or on purpose)
// would make the reader wait for ever.

#include <string>

// A descriptor of the regular file (O_RDONLY, O_CLOEXEC), or -1 (errno set) for anything else or when it
// cannot be opened.
int OpenRegularFile(const std::string& fileName);
// True when path names a regular file, following symbolic links.
bool IsRegularFile(const std::string& path);
