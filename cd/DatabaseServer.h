#pragma once
// A checksum database's server as its client uses it: GET requests with time-outs of their own over the shared
// HTTP helper, and the replies kept in a cache folder, so that the same disc is looked up on the network once.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/http/HttpClient.h"

// The name and version every request to a web service carries: "Quillon/2.98".
std::string ProgramUserAgent();

class DatabaseServer {
 public:
  // server: "http://host[:port]"; an empty cache folder keeps nothing.
  DatabaseServer(std::string server, std::string cacheFolder);
  // Limits of the exchange (at first 5 s to connect and 10 s in all, as for CDDB).
  void SetTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds total);
  // How many redirects a request follows (at first none).
  void SetMaxRedirects(long count) { FMaxRedirects = count; }
  // GET of target (path and query, after the server's address), with the program's user agent; keepWaiting,
  // when set, is asked while the server is waited for, and false gives the request up; a reply longer than
  // maxBytes counts as none.
  HttpReply Get(const std::string& target, const std::vector<std::string>& headers,
                const std::function<bool()>& keepWaiting, std::size_t maxBytes = HttpRequest().maxBytes) const;
  // Why an exchange gave no reply to read: "no answer from http://host", "the server's reply is too large"
  // or "the server answered 503".
  std::string Failure(const HttpReply& reply) const;
  // The reply kept as name (a path below the cache folder); false when there is none. Only a regular file
  // counts: a link, a folder, a FIFO or a device at that name is no reply, and is never read nor written.
  bool Kept(const std::string& name, std::string& bytes) const;
  // Whether the reply kept as name was written less than age ago.
  bool KeptFor(const std::string& name, std::chrono::hours age) const;
  // Keeps a reply as name, replacing the file there in one step; the cache is a convenience, so a file that
  // cannot be written, or a name that holds something other than a regular file, simply keeps nothing.
  void Keep(const std::string& name, const std::string& bytes) const;

 private:
  std::string FServer;
  std::string FCacheFolder;
  std::chrono::milliseconds FConnectTimeout{5000};
  std::chrono::milliseconds FTotalTimeout{10000};
  long FMaxRedirects = 0;
};
