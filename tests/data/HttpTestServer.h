#pragma once
// An HTTP server on 127.0.0.1 for the tests: each GET's target (path and query) is answered by a handler of
// the test's, which may also choose to take the connection and never answer.

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testdata {

struct HttpTestReply {
  int status = 200;
  std::string body;
  bool silent = false;  // keep the connection open and say nothing
  std::string location = {};  // a redirect's target
};

// What the server saw of a request.
struct HttpTestRequest {
  std::string target;  // path and query
  std::string userAgent;
  std::chrono::steady_clock::time_point arrived;
};

class HttpTestServer {
 public:
  using Handler = std::function<HttpTestReply(const std::string& target)>;
  explicit HttpTestServer(Handler handler);
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  std::string Address() const;  // "127.0.0.1:PORT"
  std::string Url() const { return "http://" + Address(); }
  int Port() const { return FPort; }
  std::vector<HttpTestRequest> Requests() const;  // so far

 private:
  void Serve();
  void Handle(int connection);

  Handler FHandler;
  int FListener = -1;
  int FPort = 0;
  std::atomic<bool> FStop{false};
  mutable std::mutex FLock;
  std::vector<HttpTestRequest> FRequests;
  std::vector<int> FHeld;  // connections left unanswered
  std::thread FThread;
};

}  // namespace testdata
