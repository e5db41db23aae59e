#pragma once
// The CDDB side of the CD drive library: the protocol's HTTP form (level 6, UTF-8), spoken with libcurl.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A disc as CDDB sees it: block addresses of every track's start and of the lead-out.
struct CddbDisc {
  std::vector<std::uint32_t> trackStarts;
  std::uint32_t leadout = 0;
};

// The 32-bit CDDB disc ID of a disc.
std::uint32_t CddbDiscIdOf(const CddbDisc& disc);

struct CddbSite {
  std::string host;
  int port = 0;
  std::string cgi;
  std::string location;
};

struct CddbMatch {
  std::string category;
  std::string discId;
  std::string artist;
  std::string title;
};

class CddbClient {
 public:
  void SetServer(std::string hostAndPort) { FServer = std::move(hostAndPort); }
  void SetCgiPath(std::string path) { FCgiPath = std::move(path); }
  void SetEmail(std::string address) { FEmail = std::move(address); }
  // Name and version separated by a blank, as in "program 1.0".
  void SetClient(std::string nameAndVersion) { FClient = std::move(nameAndVersion); }
  // Limits of each exchange with the server, so that a dead server cannot hold the caller for ever.
  void SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds total);
  // Asked while an exchange waits on the server; false abandons it (the exchange then fails).
  void SetWaiting(std::function<bool()> keepWaiting) { FKeepWaiting = std::move(keepWaiting); }

  // Each is false when the server cannot be reached, refuses, or answers with a reply that is cut short.
  bool Sites(std::vector<CddbSite>& sites) const;
  // True and no matches when the server knows no such disc.
  bool Query(const CddbDisc& disc, std::vector<CddbMatch>& matches) const;
  // The entry's lines, each ending with a carriage return and a line feed.
  bool Read(const std::string& category, const std::string& discId, std::string& entry) const;

 private:
  struct Reply {
    int code = 0;
    std::string status;              // the status line after its code
    std::vector<std::string> lines;  // the lines that followed, without the closing "."
  };
  bool Exchange(const std::vector<std::string>& command, Reply& reply) const;
  static bool ParseReply(const std::string& body, Reply& reply);
  std::vector<std::string> HelloWords() const;

  std::string FServer;
  std::string FCgiPath = "/~cddb/cddb.cgi";
  std::string FEmail;
  std::string FClient;
  std::chrono::milliseconds FConnectTimeout{5000};
  std::chrono::milliseconds FTotalTimeout{10000};
  std::function<bool()> FKeepWaiting;
};
