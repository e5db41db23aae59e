#include "cd/CoverArtClient.h"

#include <cctype>

#include "cd/DatabaseServer.h"

namespace {

// The archive sends its images from another host; a chain longer than this is no image.
constexpr long kMaxRedirects = 5;

// A release ID is a UUID: anything else is never put into an address.
bool IsReleaseId(const std::string& id) {
  if (id.size() != 36) return false;
  for (std::size_t i = 0; i < id.size(); ++i) {
    bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? id[i] != '-' : !std::isxdigit(static_cast<unsigned char>(id[i]))) return false;
  }
  return true;
}

std::string KiB(std::size_t bytes) { return std::to_string((bytes + 1023) / 1024) + " KiB"; }

}  // namespace

std::string CoverArtMimeType(const std::string& bytes) {
  if (bytes.rfind("\xFF\xD8\xFF", 0) == 0) return "image/jpeg";
  if (bytes.rfind("\x89PNG\r\n\x1A\n", 0) == 0) return "image/png";
  return {};
}

CoverArtClient::CoverArtClient(std::string server, std::string size) : FServer(std::move(server)), FSize(std::move(size)) {
  while (!FServer.empty() && FServer.back() == '/') FServer.pop_back();
  if (FSize != "250" && FSize != "500" && FSize != "1200" && FSize != "original") FSize = "500";
}

std::string CoverArtClient::Target(const std::string& releaseId) const {
  return "release/" + releaseId + (FSize == "original" ? "/front" : "/front-" + FSize);
}

CoverArtAnswer CoverArtClient::Fetch(const std::string& releaseId, const std::function<bool()>& keepWaiting) const {
  if (!IsReleaseId(releaseId)) return {{}, "Cover art: none, the release has no MusicBrainz ID"};
  DatabaseServer server(FServer, "");
  server.SetTimeouts(std::chrono::seconds(5), std::chrono::seconds(60));
  server.SetMaxRedirects(kMaxRedirects);
  const std::string url = FServer + "/" + Target(releaseId);
  HttpReply reply = server.Get(Target(releaseId), {}, keepWaiting, kMaxBytes);
  if (reply.abandoned) return {{}, "Cover art: not fetched, the rip ended first"};
  if (reply.status == 404) return {{}, "Cover art: none for this release at " + url};
  if (reply.tooLarge) return {{}, "Cover art: refused, the image at " + url + " is larger than " + KiB(kMaxBytes)};
  if (reply.status != 200) return {{}, "Cover art: not fetched from " + url + ", " + server.Failure(reply)};
  std::string mimeType = CoverArtMimeType(reply.body);
  if (mimeType.empty()) return {{}, "Cover art: refused, the reply from " + url + " is no JPEG or PNG image"};
  std::string line = "Cover art: " + mimeType + ", " + KiB(reply.body.size()) + " from " + url;
  return {CoverArt{mimeType, std::move(reply.body)}, line};
}
