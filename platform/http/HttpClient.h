#pragma once
// The one way the program talks HTTP (CDDB, AccurateRip, MusicBrainz): a GET over libcurl with time-outs of
// its own, so that a dead server never holds the caller for long, and a cap on the size of what comes back.

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

struct HttpRequest {
  std::string url;
  std::chrono::milliseconds connectTimeout{5000};
  std::chrono::milliseconds totalTimeout{10000};
  std::vector<std::string> headers;  // "Name: value"
  std::size_t maxBytes = 1 << 20;    // a longer reply counts as no reply (tooLarge)
  // Called on the caller's thread about every 50 ms while the request waits on the network; false abandons
  // it. A window keeps itself painted this way and lets the user give up on a slow server.
  std::function<bool()> keepWaiting;
  long maxRedirects = 0;  // redirects followed (to http or https only); 0: a redirect is the reply
};

struct HttpReply {
  long status = 0;  // the HTTP status; 0 when no reply came (no connection, a time-out, too long); a redirect's
                   // after too many of them
  std::string body;
  bool abandoned = false;  // keepWaiting said no: no reply
  bool tooLarge = false;   // the reply was longer than maxBytes: no reply
};

HttpReply HttpGet(const HttpRequest& request);

// Waits that long, asking keepWaiting (when set) as a request does; false when it said no.
bool HttpPause(std::chrono::milliseconds duration, const std::function<bool()>& keepWaiting);

// text with every character that may not stand in a URL's query escaped as %XX.
std::string UrlEscaped(const std::string& text);
