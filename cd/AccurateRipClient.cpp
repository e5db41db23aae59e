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

std::string AccurateRipClient::CachePath(const std::string& fileName) const {
  return FCacheFolder.empty() ? std::string() : FCacheFolder + "/accuraterip/" + fileName;
}

HttpReply AccurateRipClient::Get(const std::string& path, const std::function<bool()>& keepWaiting,
                                 std::size_t maxBytes) const {
  HttpRequest request;
  request.url = FServer + "/" + path;
  request.connectTimeout = FConnectTimeout;
  request.totalTimeout = FTotalTimeout;
  request.keepWaiting = keepWaiting;
  request.maxBytes = maxBytes;
  return HttpGet(request);
}

std::string AccurateRipClient::Unanswered(const HttpReply& reply) const {
  return reply.status == 0 ? "no answer from " + FServer : "the server answered " + std::to_string(reply.status);
}

DbarLookup AccurateRipClient::Look(const AccurateRipIds& ids, const std::function<bool()>& keepWaiting) const {
  DbarLookup lookup;
  std::string cached;
  const std::string cache = CachePath(ids.FileName());
  if (!cache.empty() && ReadFile(cache, cached) && ParseDbar(cached, ids, lookup.pressings)) {
    lookup.result = DbarLookup::Result::Found;
    return lookup;
  }
  HttpReply reply = Get(ids.Path(), keepWaiting, HttpRequest().maxBytes);
  if (reply.status == 404) {
    lookup.result = DbarLookup::Result::NotInDatabase;
  } else if (reply.status != 200) {
    lookup.error = Unanswered(reply);
  } else if (!ParseDbar(reply.body, ids, lookup.pressings)) {
    lookup.error = "the server's reply is malformed";
  } else {
    lookup.result = DbarLookup::Result::Found;
    Keep(ids.FileName(), reply.body);
  }
  return lookup;
}

namespace {

constexpr const char* kDriveOffsetsFile = "DriveOffsets.bin";
constexpr auto kDriveOffsetsKept = std::chrono::hours(24 * 10);
constexpr std::size_t kDriveOffsetsMaxBytes = 8 << 20;  // some ten times the list as it is

bool Younger(const std::string& path, std::chrono::hours age) {
  std::error_code error;
  auto written = std::filesystem::last_write_time(path, error);
  return !error && std::filesystem::file_time_type::clock::now() - written < age;
}

}  // namespace

DriveOffsetListLookup AccurateRipClient::LookDriveOffsets(const std::function<bool()>& keepWaiting) const {
  DriveOffsetListLookup lookup;
  std::string cached;
  const std::string cache = CachePath(kDriveOffsetsFile);
  const bool kept = !cache.empty() && ReadFile(cache, cached) && ParseDriveOffsetList(cached, lookup.records);
  if (kept && Younger(cache, kDriveOffsetsKept)) {
    lookup.found = true;
    return lookup;
  }
  HttpReply reply = Get(std::string("accuraterip/") + kDriveOffsetsFile, keepWaiting, kDriveOffsetsMaxBytes);
  std::vector<DriveOffsetRecord> records;
  if (reply.status != 200)
    lookup.error = Unanswered(reply);
  else if (!ParseDriveOffsetList(reply.body, records))
    lookup.error = "the server's list of drives is malformed";
  if (lookup.error.empty()) {
    lookup.records = std::move(records);
    Keep(kDriveOffsetsFile, reply.body);
  }
  // An old list still knows the drives it knew.
  lookup.found = lookup.error.empty() || kept;
  if (lookup.found) lookup.error.clear();
  return lookup;
}

// The cache is a convenience: a file that cannot be written is simply not kept.
void AccurateRipClient::Keep(const std::string& fileName, const std::string& bytes) const {
  std::string path = CachePath(fileName);
  if (path.empty()) return;
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  ReplaceFileWith(path, bytes);
}
