#pragma once
// Fetches a disc's dBAR file and the list of drives' read offsets from the AccurateRip server over HTTP, and
// keeps what it found in a cache folder, so that the same disc is looked up on the network once and the list
// once in ten days.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "cd/AccurateRip.h"
#include "cd/DatabaseServer.h"
#include "cd/DriveOffsetList.h"

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

// Made with the server ("http://host[:port]") and the cache folder (empty: nothing is kept).
class AccurateRipClient : DatabaseServer {
 public:
  using DatabaseServer::DatabaseServer;
  using DatabaseServer::SetTimeouts;
  // keepWaiting, when set, is asked while the server is waited for; false gives the lookup up (Failed).
  DbarLookup Look(const AccurateRipIds& ids, const std::function<bool()>& keepWaiting = {}) const;
  // The list of drives' read offsets: a copy younger than ten days, otherwise the server's (or, when the
  // server gives none, the older copy).
  DriveOffsetListLookup LookDriveOffsets(const std::function<bool()>& keepWaiting = {}) const;
};
