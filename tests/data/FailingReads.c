/* Preloaded into a program under test: reads of one file fail with EIO over a range of its bytes, as a
 * damaged disc or a failing disk does. QUILLON_FAIL_FILE names the file (the end of its path),
 * QUILLON_FAIL_BYTES the range as FROM-TO. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int Fails(int fd, off_t offset, size_t count) {
  const char* file = getenv("QUILLON_FAIL_FILE");
  const char* range = getenv("QUILLON_FAIL_BYTES");
  long long from = 0, to = 0;
  if (file == NULL || range == NULL || sscanf(range, "%lld-%lld", &from, &to) != 2) return 0;
  char link[64], path[4096];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  ssize_t length = readlink(link, path, sizeof path - 1);
  if (length < 0) return 0;
  path[length] = '\0';
  size_t suffix = strlen(file);
  if ((size_t)length < suffix || strcmp(path + length - suffix, file) != 0) return 0;
  return offset < to && offset + (off_t)count > from;
}

ssize_t pread(int fd, void* buffer, size_t count, off_t offset) {
  static ssize_t (*real)(int, void*, size_t, off_t) = NULL;
  if (real == NULL) real = (ssize_t(*)(int, void*, size_t, off_t))dlsym(RTLD_NEXT, "pread");
  if (Fails(fd, offset, count)) {
    errno = EIO;
    return -1;
  }
  return real(fd, buffer, count, offset);
}

ssize_t pread64(int fd, void* buffer, size_t count, off_t offset) { return pread(fd, buffer, count, offset); }
