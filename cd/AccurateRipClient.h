#pragma once
// Fetches a disc's dBAR file and the list of drives' read offsets from the AccurateRip server over HTTP, and
// keeps what it found in a cache folder, so that the same disc is looked up on the network once and the list
// once in ten days.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "cd/AccurateRip.h"
#include "cd/DriveOffsetList.h"
#include "platform/http/HttpClient.h"

struct DbarLookup {
  enum class Result { Found, NotInDatabase, Failed };
  Result result = Result::Failed;
  std::vector<DbarPressing> pressings;
  std::string error;  // why it failed: no answer, an HTTP status, a malformed reply
};

struct DriveOffsetListLookup {
  bool found = false;
  std::vector<DriveOffsetRecord> records;
  std::string error;  // why there is no list
};

class AccurateRipClient {
 public:
  // server: "http://host[:port]"; an empty cache folder keeps nothing.
  AccurateRipClient(std::string server, std::string cacheFolder);
  // Limits of the exchange (at first 5 s to connect and 10 s in all, as for CDDB).
  void SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds total);
  // keepWaiting, when set, is asked while the server is waited for; false gives the lookup up (Failed).
  DbarLookup Look(const AccurateRipIds& ids, const std::function<bool()>& keepWaiting = {}) const;
  // The list of drives' read offsets: a copy younger than ten days, otherwise the server's (or, when the
  // server gives none, the older copy).
  DriveOffsetListLookup LookDriveOffsets(const std::function<bool()>& keepWaiting = {}) const;

 private:
  std::string CachePath(const std::string& fileName) const;
  void Keep(const std::string& fileName, const std::string& bytes) const;
  HttpReply Get(const std::string& path, const std::function<bool()>& keepWaiting, std::size_t maxBytes) const;
  std::string Unanswered(const HttpReply& reply) const;

  std::string FServer;
  std::string FCacheFolder;
  std::chrono::milliseconds FConnectTimeout{5000};
  std::chrono::milliseconds FTotalTimeout{10000};
};
