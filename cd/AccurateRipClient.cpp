#include "cd/AccurateRipClient.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/files/ReplacementFile.h"
#include "platform/http/HttpClient.h"

namespace {

bool ReadFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace

AccurateRipClient::AccurateRipClient(std::string server, std::string cacheFolder)
    : FServer(std::move(server)), FCacheFolder(std::move(cacheFolder)) {
  while (!FServer.empty() && FServer.back() == '/') FServer.pop_back();
}

void AccurateRipClient::SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds total) {
  FConnectTimeout = connect;
  FTotalTimeout = total;
}

std::string AccurateRipClient::CachePath(const AccurateRipIds& ids) const {
  return FCacheFolder.empty() ? std::string() : FCacheFolder + "/accuraterip/" + ids.FileName();
}

DbarLookup AccurateRipClient::Look(const AccurateRipIds& ids, const std::function<bool()>& keepWaiting) const {
  DbarLookup lookup;
  std::string cached;
  if (!CachePath(ids).empty() && ReadFile(CachePath(ids), cached) && ParseDbar(cached, ids, lookup.pressings)) {
    lookup.result = DbarLookup::Result::Found;
    return lookup;
  }
  HttpRequest request;
  request.url = FServer + "/" + ids.Path();
  request.connectTimeout = FConnectTimeout;
  request.totalTimeout = FTotalTimeout;
  request.keepWaiting = keepWaiting;
  HttpReply reply = HttpGet(request);
  if (reply.status == 404) {
    lookup.result = DbarLookup::Result::NotInDatabase;
  } else if (reply.status != 200) {
    lookup.error = reply.status == 0 ? "no answer from " + FServer : "the server answered " + std::to_string(reply.status);
  } else if (!ParseDbar(reply.body, ids, lookup.pressings)) {
    lookup.error = "the server's reply is malformed";
  } else {
    lookup.result = DbarLookup::Result::Found;
    Keep(ids, reply.body);
  }
  return lookup;
}

// The cache is a convenience: a file that cannot be written is simply not kept.
void AccurateRipClient::Keep(const AccurateRipIds& ids, const std::string& bytes) const {
  std::string path = CachePath(ids);
  if (path.empty()) return;
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  ReplaceFileWith(path, bytes);
}
