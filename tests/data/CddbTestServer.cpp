#include "tests/data/CddbTestServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sstream>
#include <stdexcept>

#include "tests/data/TestSockets.h"

namespace testdata {

namespace {

constexpr int kMaxRequests = 100;  // a client caught in a loop cannot keep the server busy
constexpr std::size_t kMaxRequestBytes = 16384;

std::vector<std::string> Words(const std::string& text) {
  std::istringstream stream(text);
  std::vector<std::string> words;
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}

std::string Decoded(const std::string& text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      decoded += ' ';
    } else if (text[i] == '%' && i + 2 < text.size()) {
      decoded += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

// "GET /~cddb/cddb.cgi?cmd=...&hello=...&proto=6 HTTP/1.1"; false for any other request.
bool ParseRequest(const std::string& head, CddbRequest& request) {
  std::vector<std::string> words = Words(head.substr(0, head.find("\r\n")));
  const std::string path = "/~cddb/cddb.cgi?";
  if (words.size() != 3 || words[0] != "GET" || words[1].rfind(path, 0) != 0) return false;
  std::istringstream query(words[1].substr(path.size()));
  for (std::string pair; std::getline(query, pair, '&');) {
    std::size_t equals = pair.find('=');
    std::string key = pair.substr(0, equals);
    std::string value = equals == std::string::npos ? std::string() : Decoded(pair.substr(equals + 1));
    if (key == "cmd") request.cmd = value;
    if (key == "hello") request.hello = value;
    if (key == "proto") request.proto = value;
  }
  return true;
}

std::string HttpResponse(const std::string& body) {
  return "HTTP/1.0 200 OK\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

}  // namespace

std::vector<std::string> XmcdLines(const std::string& discId, const std::string& dtitle,
                                   const std::vector<std::string>& titles) {
  std::vector<std::string> lines = {"# xmcd", "#", "# Submitted via: quillon tests", "#", "DISCID=" + discId,
                                    "DTITLE=" + dtitle, "DYEAR=2001", "DGENRE=Test"};
  for (std::size_t n = 0; n < titles.size(); ++n) lines.push_back("TTITLE" + std::to_string(n) + "=" + titles[n]);
  lines.push_back("EXTD=");
  for (std::size_t n = 0; n < titles.size(); ++n) lines.push_back("EXTT" + std::to_string(n) + "=");
  lines.push_back("PLAYORDER=");
  return lines;
}

CddbTestServer::CddbTestServer(std::vector<CddbTestEntry> entries) : FEntries(std::move(entries)) {
  FListener = ListenOnLoopback(FPort, "CDDB");
  FThread = std::thread(&CddbTestServer::Serve, this);
}

CddbTestServer::~CddbTestServer() {
  FStop = true;
  FThread.join();
  for (int connection : FHeld) close(connection);
  close(FListener);
}

std::string CddbTestServer::Address() const { return "127.0.0.1:" + std::to_string(FPort); }

std::vector<CddbRequest> CddbTestServer::Requests() const {
  std::lock_guard<std::mutex> guard(FLock);
  return FRequests;
}

void CddbTestServer::Serve() {
  int served = 0;
  while (!FStop) {
    pollfd waiting{FListener, POLLIN, 0};
    if (poll(&waiting, 1, 20) <= 0) continue;
    int connection = accept(FListener, nullptr, nullptr);
    if (connection < 0) continue;
    if (++served > kMaxRequests) {
      close(connection);
      continue;
    }
    Handle(connection);
  }
}

void CddbTestServer::Handle(int connection) {
  if (FFault == CddbFault::Silent) {
    FHeld.push_back(connection);
    return;
  }
  timeval limit{2, 0};
  setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  std::string head;
  char buffer[1024];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxRequestBytes) {
    ssize_t got = recv(connection, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    head.append(buffer, static_cast<std::size_t>(got));
  }
  CddbRequest request;
  if (!ParseRequest(head, request)) {
    SendAll(connection, "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n");
  } else if (FFault == CddbFault::HttpError) {
    SendAll(connection, "HTTP/1.0 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n");
  } else {
    {
      std::lock_guard<std::mutex> guard(FLock);
      FRequests.push_back(request);
    }
    SendAll(connection, HttpResponse(Reply(request)));
  }
  close(connection);
}

std::string CddbTestServer::Reply(const CddbRequest& request) const {
  std::vector<std::string> cmd = Words(request.cmd);
  std::string reply;
  if (Words(request.hello).size() != 4) {
    reply = "409 No handshake.\r\n";
  } else if (cmd.size() == 1 && cmd[0] == "sites") {
    reply = "210 OK, site information follows (until terminating `.')\r\n127.0.0.1 http " + std::to_string(FPort) +
            " /~cddb/cddb.cgi N000.00 W000.00 Test server\r\n.\r\n";
  } else if (cmd.size() >= 5 && cmd[0] == "cddb" && cmd[1] == "query") {
    std::vector<const CddbTestEntry*> found;
    for (const CddbTestEntry& entry : FEntries)
      if (entry.discId == cmd[2]) found.push_back(&entry);
    if (cmd[3].find_first_not_of("0123456789") != std::string::npos || cmd[3].size() > 2 ||
        cmd.size() != 5 + std::stoul(cmd[3]))
      reply = "500 Command syntax error.\r\n";
    else if (found.empty())
      reply = "202 No match for disc ID " + cmd[2] + ".\r\n";
    else if (found.size() == 1)
      reply = "200 " + found[0]->category + " " + found[0]->discId + " " + found[0]->dtitle + "\r\n";
    else {
      reply = "210 Found exact matches, list follows (until terminating `.')\r\n";
      for (const CddbTestEntry* entry : found) reply += entry->category + " " + entry->discId + " " + entry->dtitle + "\r\n";
      reply += ".\r\n";
    }
  } else if (cmd.size() == 4 && cmd[0] == "cddb" && cmd[1] == "read") {
    const CddbTestEntry* found = nullptr;
    for (const CddbTestEntry& entry : FEntries)
      if (entry.category == cmd[2] && entry.discId == cmd[3]) found = &entry;
    if (found == nullptr || FFault == CddbFault::ReadRefused) {
      reply = "401 " + cmd[2] + " " + cmd[3] + " No such CD entry in database.\r\n";
    } else {
      reply = "210 " + cmd[2] + " " + cmd[3] + " CD database entry follows (until terminating `.')\r\n";
      for (const std::string& line : found->lines) reply += line + "\r\n";
      if (FFault != CddbFault::ReadCutShort) reply += ".\r\n";
    }
  } else {
    reply = "500 Unrecognized command.\r\n";
  }
  if (FFault == CddbFault::BareLineFeeds)
    for (std::size_t at; (at = reply.find("\r\n")) != std::string::npos;) reply.erase(at, 1);
  return reply;
}

}  // namespace testdata
