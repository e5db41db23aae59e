#pragma once
// A CDDB server on 127.0.0.1 for the tests: the protocol's HTTP form over a small database of its own,
// able to misbehave on request.

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tests/data/HttpTestServer.h"

namespace testdata {

struct CddbTestEntry {
  std::string category;
  std::string discId;              // 8 hexadecimal digits
  std::string dtitle;              // "Artist / Title"
  std::vector<std::string> lines;  // the entry as sent, without line ends
};

// The lines of an entry in the usual layout, one TTITLE line per title.
std::vector<std::string> XmcdLines(const std::string& discId, const std::string& dtitle,
                                   const std::vector<std::string>& titles);

enum class CddbFault {
  None,
  Silent,        // takes the connection and never answers
  HttpError,     // HTTP 500 to every request
  ReadRefused,   // "401" to cddb read
  ReadCutShort,  // the entry without its closing "."
  BareLineFeeds  // lines end with a line feed alone
};

// What the server saw of a request, decoded.
struct CddbRequest {
  std::string cmd;
  std::string hello;
  std::string proto;
};

class CddbTestServer {
 public:
  explicit CddbTestServer(std::vector<CddbTestEntry> entries);
  ~CddbTestServer();
  CddbTestServer(const CddbTestServer&) = delete;
  CddbTestServer& operator=(const CddbTestServer&) = delete;

  std::string Address() const;  // "127.0.0.1:PORT"
  void SetFault(CddbFault fault) { FFault = fault; }
  // Every request from now on gets this reply, however many come and whatever they ask (the fuzzer's
  // server); requests are then not kept.
  void SetFixedReply(std::string reply);
  std::vector<CddbRequest> Requests() const;

 private:
  HttpTestReply Answer(const std::string& target);
  std::string Reply(const CddbRequest& request) const;

  std::vector<CddbTestEntry> FEntries;
  std::atomic<CddbFault> FFault{CddbFault::None};
  mutable std::mutex FLock;
  std::vector<CddbRequest> FRequests;
  std::optional<std::string> FFixedReply;
  HttpTestServer FHttp;  // last: it answers through the members above
};

}  // namespace testdata
