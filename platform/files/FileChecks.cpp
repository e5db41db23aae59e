#include "platform/files/FileChecks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

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

std::string OpenFailureReason(const std::string& fileName) {
  struct stat info {};
  if (::stat(fileName.c_str(), &info) != 0) return std::strerror(errno);
  if (S_ISDIR(info.st_mode)) return "it is a folder";
  if (!S_ISREG(info.st_mode)) return "it is not a regular file";
  int handle = open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (handle < 0) return std::strerror(errno);
  close(handle);
  return "it could not be read";
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsSameFile(const std::string& first, const std::string& second) {
  if (first == second) return true;
  struct stat one {}, other {};
  return ::stat(first.c_str(), &one) == 0 && ::stat(second.c_str(), &other) == 0 && one.st_dev == other.st_dev &&
         one.st_ino == other.st_ino;
}

bool IsForeignLink(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) && info.st_uid != ::geteuid() &&
         info.st_uid != 0;
}

std::string ForeignLinkAlong(const std::string& folder, const std::string& relative) {
  std::filesystem::path path(folder);
  for (const std::filesystem::path& part : std::filesystem::path(relative)) {
    if (part.empty() || part == "/") continue;
    path /= part;
    if (IsForeignLink(path.string())) return path.string();
  }
  return {};
}

std::string ForeignLinkText(const std::string& link) {
  return "the link " + link + " belongs to another user and is not followed";
}

std::optional<std::uint64_t> FreeSpace(const std::string& path) {
  struct statvfs info {};
  if (::statvfs(path.c_str(), &info) != 0) return std::nullopt;
  return std::uint64_t(info.f_bavail) * info.f_frsize;
}

void MakeFolder(const std::string& folder) {
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
}

void MakeFolderOf(const std::string& fileName) {
  std::filesystem::path parent = std::filesystem::path(fileName).parent_path();
  if (!parent.empty()) MakeFolder(parent.string());
}
