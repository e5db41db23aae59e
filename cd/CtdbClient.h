#pragma once
// Looks a disc up in the CUETools database over HTTP, to verify rips only (nothing is submitted), and keeps
// what it found in the cache folder, so that the same disc is looked up on the network once.

#include <functional>
#include <string>
#include <vector>

#include "cd/Ctdb.h"
#include "cd/DatabaseServer.h"
#include "cd/TableOfContents.h"

struct CtdbLookup {
  enum class Result { Found, NotInDatabase, Failed };
  Result result = Result::Failed;
  std::vector<CtdbEntry> entries;  // the disc's own: those whose toc is the disc's (the lookup also finds others)
  std::string error;               // why it failed: no answer, an HTTP status, a malformed reply
};

// Made with the server ("http://host[:port]") and the cache folder (empty: nothing is kept).
class CtdbClient : DatabaseServer {
 public:
  using DatabaseServer::DatabaseServer;
  using DatabaseServer::SetTimeouts;
  // The disc's entries, asked for by its table of contents. keepWaiting, when set, is asked while the server is
  // waited for; false gives the lookup up (Failed).
  CtdbLookup Look(const TableOfContents& toc, const std::function<bool()>& keepWaiting = {}) const;
};
