#pragma once
// Reads of an open file at a given place, whole or not at all, for the readers of a file's chunks.

#include <cstddef>
#include <cstdint>

// Reads bytes bytes at offset (with pread, again after a signal); false at the file's end or on a read error.
bool ReadFullyAt(int descriptor, void* buffer, std::size_t bytes, std::int64_t offset);
