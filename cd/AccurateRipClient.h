#pragma once
// Fetches a disc's dBAR file from the AccurateRip server over HTTP, and keeps what it found in a cache folder,
// so that the same disc is looked up on the network once.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "cd/AccurateRip.h"

struct DbarLookup {
  enum class Result { Found, NotInDatabase, Failed };
  Result result = Result::Failed;
  std::vector<DbarPressing> pressings;
  std::string error;  // why it failed: no answer, an HTTP status, a malformed reply
};

class AccurateRipClient {
 public:
  // server: "http://host[:port]"; an empty cache folder keeps nothing.
  AccurateRipClient(std::string server, std::string cacheFolder);
  // Limits of the exchange (at first 5 s to connect and 10 s in all, as for CDDB).
  void SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds total);
  // keepWaiting, when set, is asked while the server is waited for; false gives the lookup up (Failed).
  DbarLookup Look(const AccurateRipIds& ids, const std::function<bool()>& keepWaiting = {}) const;

 private:
  std::string CachePath(const AccurateRipIds& ids) const;
  void Keep(const AccurateRipIds& ids, const std::string& bytes) const;

  std::string FServer;
  std::string FCacheFolder;
  std::chrono::milliseconds FConnectTimeout{5000};
  std::chrono::milliseconds FTotalTimeout{10000};
};
