#include "platform/files/PositionedRead.h"

#include <unistd.h>

#include <cerrno>

bool ReadFullyAt(int descriptor, void* buffer, std::size_t bytes, std::int64_t offset) {
  auto* p = static_cast<unsigned char*>(buffer);
  while (bytes > 0) {
    ssize_t got = ::pread(descriptor, p, bytes, offset);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    p += got;
    bytes -= static_cast<std::size_t>(got);
    offset += got;
  }
  return true;
}
