/* Preloaded into a program under test: reads of one file fail with EIO over a range of its bytes, as a
 * damaged disc or a failing disk does. QUILLON_FAIL_FILE names the file (the end of its path),
 * QUILLON_FAIL_BYTES the range as FROM-TO; QUILLON_FAIL_TIMES, when set, makes only that many reads fail,
 * and QUILLON_SLOW_MS makes every read of the range take that long first (a drive stuck on it). pread (our
 * own image reader), read (our file streams) and fread (libcdio's image drivers) are caught. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int Touches(int fd, off_t offset, size_t count) {
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

static int Fails(int fd, off_t offset, size_t count) {
  static long failed = 0;
  if (!Touches(fd, offset, count)) return 0;
  const char* slow = getenv("QUILLON_SLOW_MS");
  if (slow != NULL) usleep((useconds_t)atol(slow) * 1000);
  const char* times = getenv("QUILLON_FAIL_TIMES");
  if (times != NULL && *times != '\0' && failed >= atol(times)) return 0;
  ++failed;
  return 1;
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

ssize_t read(int fd, void* buffer, size_t count) {
  static ssize_t (*real)(int, void*, size_t) = NULL;
  if (real == NULL) real = (ssize_t(*)(int, void*, size_t))dlsym(RTLD_NEXT, "read");
  if (Fails(fd, lseek(fd, 0, SEEK_CUR), count)) {
    errno = EIO;
    return -1;
  }
  return real(fd, buffer, count);
}

size_t fread(void* buffer, size_t size, size_t count, FILE* stream) {
  static size_t (*real)(void*, size_t, size_t, FILE*) = NULL;
  if (real == NULL) real = (size_t(*)(void*, size_t, size_t, FILE*))dlsym(RTLD_NEXT, "fread");
  if (Fails(fileno(stream), ftello(stream), size * count)) {
    errno = EIO;
    return 0;
  }
  return real(buffer, size, count, stream);
}
