#include "platform/files/ReplacementFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <vector>

#include "platform/files/FileChecks.h"

namespace {

constexpr int kNameAttempts = 100;

std::string TemporaryName(const std::string& target, int attempt) {
  std::string name = target + ".partial";
  return attempt == 0 ? name : name + "." + std::to_string(attempt);
}

struct Temporary {
  std::string name;
  struct stat info;
};

bool SameFile(const struct stat& one, const struct stat& other) {
  return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

// The entries of a folder; none where it cannot be read (a process that ended meanwhile, another user's).
std::vector<std::filesystem::path> FolderEntries(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> entries;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    entries.push_back(it->path());
  return entries;
}

// Drops from files those that a process (this one included) holds open: one of /proc/*/fd names them.
void DropOpenFiles(std::vector<Temporary>& files) {
  for (const std::filesystem::path& process : FolderEntries("/proc")) {
    if (process.filename().string().find_first_not_of("0123456789") != std::string::npos) continue;
    for (const std::filesystem::path& descriptor : FolderEntries(process / "fd")) {
      struct stat held {};
      if (::stat(descriptor.c_str(), &held) != 0) continue;
      std::erase_if(files, [&](const Temporary& file) { return SameFile(file.info, held); });
    }
  }
}

// Removes the temporaries of target that a killed run left: the user's own regular files of our names, older
// than a minute, linked nowhere else and open in no process. A run writing that file now keeps its own.
void RemoveStaleTemporaries(const std::string& target) {
  const std::time_t old = std::time(nullptr) - 60;
  std::vector<Temporary> stale;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    Temporary file{TemporaryName(target, attempt), {}};
    if (::lstat(file.name.c_str(), &file.info) != 0) continue;
    if (S_ISREG(file.info.st_mode) && file.info.st_uid == ::geteuid() && file.info.st_nlink == 1 &&
        file.info.st_mtime < old)
      stale.push_back(file);
  }
  if (stale.empty()) return;
  DropOpenFiles(stale);
  for (const Temporary& file : stale) ::unlink(file.name.c_str());
}

}  // namespace

std::string WrittenFile(const std::string& path) {
  struct stat link {};
  if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
  std::error_code error;
  std::filesystem::path target = std::filesystem::canonical(path, error);
  return error ? std::string() : target.string();
}

ReplacementFile::ReplacementFile(std::string path, LinkRule links) : FPath(std::move(path)), FLinks(links) {}

ReplacementFile::~ReplacementFile() {
  CloseDescriptor();
  if (!FTemporary.empty()) ::unlink(FTemporary.c_str());
}

bool ReplacementFile::Create() {
  if (FLinks == LinkRule::OwnedOnly && IsForeignLink(FPath)) {
    FRefusedLink = FPath;
    errno = EACCES;
    return false;
  }
  FTarget = WrittenFile(FPath);
  if (FTarget.empty()) {
    errno = ENOENT;
    return false;
  }
  struct stat old {};
  if (::stat(FTarget.c_str(), &old) == 0 && !S_ISREG(old.st_mode)) {
    errno = S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
    return false;
  }
  RemoveStaleTemporaries(FTarget);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string name = TemporaryName(FTarget, attempt);
    FDescriptor = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (FDescriptor >= 0) {
      FTemporary = name;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool ReplaceFileWith(const std::string& path, const std::string& text) {
  return ReplaceFileSayingWhy(path, text, LinkRule::Any).empty();
}

std::string ReplaceFileSayingWhy(const std::string& path, const std::string& text, LinkRule links) {
  ReplacementFile file(path, links);
  if (file.Create() && file.WriteAll(text.data(), text.size()) && file.Commit()) return {};
  int error = errno;
  std::string reason = file.RefusedLink().empty() ? path + ": " + std::strerror(error) : ForeignLinkText(path);
  errno = error;
  return reason;
}

bool WriteFully(int descriptor, const void* data, std::size_t count) {
  const auto* bytes = static_cast<const char*>(data);
  while (count > 0) {
    ssize_t written = ::write(descriptor, bytes, count);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    count -= static_cast<std::size_t>(written);
  }
  return true;
}

bool ReplacementFile::WriteAll(const void* data, std::size_t count) { return WriteFully(FDescriptor, data, count); }

bool ReplacementFile::CloseDescriptor() {
  if (FDescriptor < 0) return true;
  bool closed = ::close(FDescriptor) == 0;
  FDescriptor = -1;
  return closed;
}

bool ReplacementFile::Commit() {
  if (FTemporary.empty() || FDescriptor < 0) return false;
  struct stat old {};
  if (::stat(FTarget.c_str(), &old) == 0) {
    // The replacement is the same file to everyone who could use the old one; where the system does not
    // allow that (another user's file), it is refused rather than handed over to a new owner.
    struct stat mine {};
    if (::fstat(FDescriptor, &mine) != 0) return false;
    if ((mine.st_uid != old.st_uid || mine.st_gid != old.st_gid) &&
        ::fchown(FDescriptor, old.st_uid, old.st_gid) != 0)
      return false;
    if (::fchmod(FDescriptor, old.st_mode & 07777) != 0) return false;
  }
  if (::fsync(FDescriptor) != 0 || !CloseDescriptor()) return false;
  if (std::rename(FTemporary.c_str(), FTarget.c_str()) != 0) return false;
  FTemporary.clear();
  return true;
}
