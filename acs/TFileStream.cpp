#include "acs/TFileStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

TFileStream::TFileStream(const std::string& fileName, Mode mode) : FFileName(fileName) {
  if (mode == Mode::Read) {
    FHandle = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (FHandle < 0) throw EStreamError("Cannot open file " + fileName);
    return;
  }
  if (mode == Mode::Replace) FPartialName = fileName + ".partial";
  const std::string& target = mode == Mode::Replace ? FPartialName : fileName;
  FHandle = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (FHandle < 0) throw EStreamError("Cannot create file " + fileName);
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) close(FHandle);
  if (!FPartialName.empty()) unlink(FPartialName.c_str());
}

bool TFileStream::Commit() {
  if (FPartialName.empty()) return true;
  bool closed = close(FHandle) == 0;
  FHandle = -1;
  bool moved = closed && rename(FPartialName.c_str(), FFileName.c_str()) == 0;
  if (moved) FPartialName.clear();
  return moved;
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
  auto* p = static_cast<unsigned char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    ssize_t got = read(FHandle, p + done, static_cast<std::size_t>(count - done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += got;
  }
  return done;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
  const auto* p = static_cast<const unsigned char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    ssize_t put = write(FHandle, p + done, static_cast<std::size_t>(count - done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) break;
    done += put;
  }
  return done;
}

void TFileStream::WriteBuffer(const void* buffer, std::int64_t count) {
  if (Write(buffer, count) != count) throw EStreamError("Stream write error");
}

std::int64_t TFileStream::Seek(std::int64_t offset, int whence) { return lseek(FHandle, offset, whence); }

std::int64_t TFileStream::Size() const {
  struct stat info {};
  return fstat(FHandle, &info) == 0 ? info.st_size : 0;
}
