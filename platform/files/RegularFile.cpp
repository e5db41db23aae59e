#include "platform/files/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

int OpenRegularFile(const std::string& fileName) {
  // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
  int handle = open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (handle < 0) return -1;
  struct stat info {};
  if (fstat(handle, &info) != 0 || !S_ISREG(info.st_mode) || fcntl(handle, F_SETFL, 0) != 0) {
    int error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    close(handle);
    errno = error;
    return -1;
  }
  return handle;
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}
