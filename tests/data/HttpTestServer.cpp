#include "tests/data/HttpTestServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sstream>
#include <stdexcept>

namespace testdata {

namespace {

constexpr std::size_t kMaxRequestBytes = 16384;

void SendAll(int connection, const std::string& bytes) {
  for (std::size_t sent = 0; sent < bytes.size();) {
    ssize_t done = send(connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (done <= 0) return;
    sent += static_cast<std::size_t>(done);
  }
}

std::string Response(const HttpTestReply& reply) {
  return "HTTP/1.0 " + std::to_string(reply.status) + " Test\r\nContent-Type: text/plain; charset=utf-8\r\n" +
         "Content-Length: " + std::to_string(reply.body.size()) + "\r\nConnection: close\r\n" +
         (reply.location.empty() ? "" : "Location: " + reply.location + "\r\n") + "\r\n" + reply.body;
}

// The target of "GET TARGET HTTP/1.x"; empty for any other request.
std::string TargetOf(const std::string& head) {
  std::istringstream line(head.substr(0, head.find("\r\n")));
  std::string method, target, version, more;
  line >> method >> target >> version;
  bool wellFormed = method == "GET" && version.rfind("HTTP/", 0) == 0 && !(line >> more);
  return wellFormed ? target : std::string();
}

std::string HeaderValue(const std::string& head, const std::string& name) {
  std::istringstream lines(head);
  for (std::string line; std::getline(lines, line);) {
    if (line.size() > name.size() + 1 && strncasecmp(line.c_str(), (name + ":").c_str(), name.size() + 1) == 0) {
      std::string value = line.substr(name.size() + 1);
      value.erase(0, value.find_first_not_of(' '));
      if (!value.empty() && value.back() == '\r') value.pop_back();
      return value;
    }
  }
  return {};
}

}  // namespace

HttpTestServer::HttpTestServer(Handler handler) : FHandler(std::move(handler)) {
  FListener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (FListener < 0 || bind(FListener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(FListener, 8) != 0 || getsockname(FListener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    throw std::runtime_error("the test server cannot listen");
  FPort = ntohs(address.sin_port);
  FThread = std::thread(&HttpTestServer::Serve, this);
}

HttpTestServer::~HttpTestServer() {
  FStop = true;
  FThread.join();
  for (int connection : FHeld) close(connection);
  close(FListener);
}

std::string HttpTestServer::Address() const { return "127.0.0.1:" + std::to_string(FPort); }

std::vector<HttpTestRequest> HttpTestServer::Requests() const {
  std::lock_guard<std::mutex> guard(FLock);
  return FRequests;
}

void HttpTestServer::Serve() {
  while (!FStop) {
    pollfd waiting{FListener, POLLIN, 0};
    if (poll(&waiting, 1, 20) <= 0) continue;
    int connection = accept(FListener, nullptr, nullptr);
    if (connection >= 0) Handle(connection);
  }
}

void HttpTestServer::Handle(int connection) {
  timeval limit{2, 0};
  setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  std::string head;
  char buffer[1024];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxRequestBytes) {
    ssize_t got = recv(connection, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    head.append(buffer, static_cast<std::size_t>(got));
  }
  std::string target = TargetOf(head);
  HttpTestReply reply{404, {}, false};
  if (!target.empty()) {
    {
      std::lock_guard<std::mutex> guard(FLock);
      FRequests.push_back({target, HeaderValue(head, "User-Agent"), std::chrono::steady_clock::now()});
    }
    reply = FHandler(target);
  }
  if (reply.silent) {
    FHeld.push_back(connection);
    return;
  }
  SendAll(connection, Response(reply));
  close(connection);
}

}  // namespace testdata
