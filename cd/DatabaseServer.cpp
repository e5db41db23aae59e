#include "cd/DatabaseServer.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/files/ReplacementFile.h"

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
  request.keepWaiting = keepWaiting;
  request.maxBytes = maxBytes;
  return HttpGet(request);
}

std::string DatabaseServer::Failure(const HttpReply& reply) const {
  return reply.status == 0 ? "no answer from " + FServer : "the server answered " + std::to_string(reply.status);
}

bool DatabaseServer::Kept(const std::string& name, std::string& bytes) const {
  if (FCacheFolder.empty()) return false;
  std::ifstream in(FCacheFolder + "/" + name, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool DatabaseServer::KeptFor(const std::string& name, std::chrono::hours age) const {
  if (FCacheFolder.empty()) return false;
  std::error_code error;
  auto written = std::filesystem::last_write_time(FCacheFolder + "/" + name, error);
  return !error && std::filesystem::file_time_type::clock::now() - written < age;
}

void DatabaseServer::Keep(const std::string& name, const std::string& bytes) const {
  if (FCacheFolder.empty()) return;
  std::string path = FCacheFolder + "/" + name;
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  ReplaceFileWith(path, bytes);
}
