#include "tests/data/MusicBrainzTestServer.h"

#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tests/data/TestSockets.h"

namespace testdata {

namespace {

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

std::string MusicBrainzReplyFile(const std::string& name) {
  std::ifstream in(std::string(QUILLON_TEST_DATA) + "/musicbrainz/" + name, std::ios::binary);
  if (!in) throw std::runtime_error("no test reply " + name);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

MusicBrainzTestServer::MusicBrainzTestServer(std::map<std::string, MusicBrainzReply> replies)
    : FReplies(std::move(replies)) {
  FListener = ListenOnLoopback(FPort, "MusicBrainz");
  FThread = std::thread(&MusicBrainzTestServer::Serve, this);
}

MusicBrainzTestServer::~MusicBrainzTestServer() {
  FStop = true;
  FThread.join();
  close(FListener);
}

std::string MusicBrainzTestServer::Url() const { return "http://127.0.0.1:" + std::to_string(FPort); }

std::vector<MusicBrainzRequest> MusicBrainzTestServer::Requests() const {
  std::lock_guard<std::mutex> guard(FLock);
  return FRequests;
}

void MusicBrainzTestServer::Serve() {
  while (!FStop) {
    pollfd waiting{FListener, POLLIN, 0};
    if (poll(&waiting, 1, 20) <= 0) continue;
    int connection = accept(FListener, nullptr, nullptr);
    if (connection >= 0) Handle(connection);
  }
}

void MusicBrainzTestServer::Handle(int connection) {
  timeval limit{2, 0};
  setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  std::string head;
  char buffer[1024];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
    ssize_t got = recv(connection, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    head.append(buffer, static_cast<std::size_t>(got));
  }
  std::istringstream first(head);
  std::string method, target;
  first >> method >> target;
  {
    std::lock_guard<std::mutex> guard(FLock);
    FRequests.push_back({target, HeaderValue(head, "User-Agent"), std::chrono::steady_clock::now()});
  }
  auto found = FReplies.find(target.substr(0, target.find('?')));
  MusicBrainzReply reply = found == FReplies.end() ? MusicBrainzReply{404, R"({"error": "Not Found"})"} : found->second;
  SendAll(connection, "HTTP/1.1 " + std::to_string(reply.status) + " Reply\r\nContent-Type: application/json\r\n"
                      "Content-Length: " + std::to_string(reply.body.size()) + "\r\nConnection: close\r\n\r\n" + reply.body);
  close(connection);
}

}  // namespace testdata
