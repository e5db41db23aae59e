#pragma once
// A MusicBrainz web service on 127.0.0.1 for the tests: each request path (without its query) gets the reply
// set for it, every other path 404; it records what came and when.

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testdata {

struct MusicBrainzReply {
  int status = 200;
  std::string body;
};

struct MusicBrainzRequest {
  std::string target;  // path and query
  std::string userAgent;
  std::chrono::steady_clock::time_point arrived;
};

// The body of a file in tests/data/musicbrainz.
std::string MusicBrainzReplyFile(const std::string& name);

class MusicBrainzTestServer {
 public:
  explicit MusicBrainzTestServer(std::map<std::string, MusicBrainzReply> replies);
  ~MusicBrainzTestServer();
  MusicBrainzTestServer(const MusicBrainzTestServer&) = delete;
  MusicBrainzTestServer& operator=(const MusicBrainzTestServer&) = delete;

  std::string Url() const;  // "http://127.0.0.1:PORT"
  std::vector<MusicBrainzRequest> Requests() const;

 private:
  void Serve();
  void Handle(int connection);

  std::map<std::string, MusicBrainzReply> FReplies;
  int FListener = -1;
  int FPort = 0;
  std::atomic<bool> FStop{false};
  mutable std::mutex FLock;
  std::vector<MusicBrainzRequest> FRequests;
  std::thread FThread;
};

}  // namespace testdata
