#include "acs/TFileStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

TFileStream::TFileStream(const std::string& fileName, Mode mode, LinkRule links) : FFileName(fileName) {
  if (mode == Mode::Read) {
    FHandle = OpenRegularFile(fileName);
    if (FHandle < 0) throw EStreamError("Cannot open file " + fileName);
    return;
  }
  if (mode == Mode::Replace) {
    FReplacement = std::make_unique<ReplacementFile>(fileName, links);
    if (!FReplacement->Create()) {
      const std::string& link = FReplacement->RefusedLink();
      throw EStreamError("Cannot create file " + fileName + (link.empty() ? "" : ": " + ForeignLinkText(link)));
    }
    FHandle = FReplacement->Descriptor();
    return;
  }
  // A leftover of that name goes first; a link planted there is removed, never followed.
  unlink(fileName.c_str());
  FHandle = open(fileName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (FHandle < 0) throw EStreamError("Cannot create file " + fileName);
}

TFileStream::~TFileStream() {
  if (FHandle >= 0 && !FReplacement) close(FHandle);
}

bool TFileStream::Commit() {
  if (!FReplacement) return true;
  FHandle = -1;
  return FReplacement->Commit();
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
  auto* p = static_cast<unsigned char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    ssize_t got = read(FHandle, p + done, static_cast<std::size_t>(count - done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw EStreamError("Stream read error");
    if (got == 0) break;
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
    if (put <= 0) {
      FDiskFull = put < 0 && (errno == ENOSPC || errno == EDQUOT);
      break;
    }
    done += put;
  }
  return done;
}

void TFileStream::WriteBuffer(const void* buffer, std::int64_t count) {
  if (Write(buffer, count) != count) throw EStreamError(WriteErrorText());
}

std::string TFileStream::WriteErrorText(const std::string& text) const {
  return FDiskFull ? text + ": the disk is full (" + FFileName + ")" : text;
}

std::int64_t TFileStream::Seek(std::int64_t offset, int whence) { return lseek(FHandle, offset, whence); }

std::int64_t TFileStream::Size() const {
  struct stat info {};
  return fstat(FHandle, &info) == 0 ? info.st_size : 0;
}
