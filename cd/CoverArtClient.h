#pragma once
// The front cover of a MusicBrainz release from the Cover Art Archive: GET {server}/release/{MBID}/front-{size}
// over the shared HTTP helper, following a few redirects (the archive answers with one to the image's host),
// and only a JPEG or PNG image of bounded size taken.

#include <functional>
#include <optional>
#include <string>

#include "cd/CoverArt.h"

// What a fetch came to: the image, or none, with the line the rip log shows either way.
struct CoverArtAnswer {
  std::optional<CoverArt> art;
  std::string logLine;  // "Cover art: image/jpeg, 48 KiB from http://..." or why there is none
};

// "image/jpeg" or "image/png" by the image's first bytes; empty for anything else.
std::string CoverArtMimeType(const std::string& bytes);

class CoverArtClient {
 public:
  // The longest image taken.
  static constexpr std::size_t kMaxBytes = 16 << 20;
  // server: "http://host[:port]"; size: "250", "500", "1200" or "original"; anything else
  // is taken as the default, 500.
  CoverArtClient(std::string server, std::string size);
  // The release's front cover; keepWaiting is asked while the server is waited for, false gives up.
  CoverArtAnswer Fetch(const std::string& releaseId, const std::function<bool()>& keepWaiting) const;
  // The address fetched for a release.
  std::string Target(const std::string& releaseId) const;

 private:
  std::string FServer;
  std::string FSize;
};
