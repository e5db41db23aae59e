#include "cd/DatabaseServer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/files/ReplacementFile.h"

namespace {

// Far above the longest reply any client accepts.
constexpr off_t kKeptMaxBytes = 64 << 20;

// Only a regular file of our own at a cache name is a kept reply: a link, a folder, a FIFO or a device there
// is none, and is neither read nor written through.
bool IsKeptFile(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool ReadKeptFile(const std::string& path, std::string& bytes) {
  int handle = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (handle < 0) return false;
  struct stat info {};
  bool read = ::fstat(handle, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kKeptMaxBytes;
  bytes.resize(read ? static_cast<std::size_t>(info.st_size) : 0);
  for (std::size_t done = 0; read && done < bytes.size();) {
    ssize_t got = ::read(handle, bytes.data() + done, bytes.size() - done);
    read = got > 0 || (got < 0 && errno == EINTR);
    if (got > 0) done += static_cast<std::size_t>(got);
  }
  ::close(handle);
  return read;
}

}  // namespace

std::string ProgramUserAgent() { return "Quillon/" QUILLON_VERSION; }

DatabaseServer::DatabaseServer(std::string server, std::string cacheFolder)
    : FServer(std::move(server)), FCacheFolder(std::move(cacheFolder)) {
  while (!FServer.empty() && FServer.back() == '/') FServer.pop_back();
}

void DatabaseServer::SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds total) {
  FConnectTimeout = connect;
  FTotalTimeout = total;
}

HttpReply DatabaseServer::Get(const std::string& target, const std::vector<std::string>& headers,
                              const std::function<bool()>& keepWaiting, std::size_t maxBytes) const {
  HttpRequest request;
  request.url = FServer + "/" + target;
  request.connectTimeout = FConnectTimeout;
  request.totalTimeout = FTotalTimeout;
  request.headers = headers;
  request.headers.push_back("User-Agent: " + ProgramUserAgent());
  request.keepWaiting = keepWaiting;
  request.maxBytes = maxBytes;
  request.maxRedirects = FMaxRedirects;
  return HttpGet(request);
}

std::string DatabaseServer::Failure(const HttpReply& reply) const {
  if (reply.tooLarge) return "the server's reply is too large";
  return reply.status == 0 ? "no answer from " + FServer : "the server answered " + std::to_string(reply.status);
}

bool DatabaseServer::Kept(const std::string& name, std::string& bytes) const {
  if (FCacheFolder.empty()) return false;
  return ReadKeptFile(FCacheFolder + "/" + name, bytes);
}

bool DatabaseServer::KeptFor(const std::string& name, std::chrono::hours age) const {
  if (FCacheFolder.empty() || !IsKeptFile(FCacheFolder + "/" + name)) return false;
  std::error_code error;
  auto written = std::filesystem::last_write_time(FCacheFolder + "/" + name, error);
  return !error && std::filesystem::file_time_type::clock::now() - written < age;
}

void DatabaseServer::Keep(const std::string& name, const std::string& bytes) const {
  if (FCacheFolder.empty()) return;
  std::string path = FCacheFolder + "/" + name;
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return;
  ReplaceFileWith(path, bytes);
}
