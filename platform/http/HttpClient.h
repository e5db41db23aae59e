#pragma once
// The one way the program talks HTTP (CDDB, AccurateRip, MusicBrainz): a GET over libcurl with time-outs of
// its own, so that a dead server never holds the caller for long, and a cap on the size of what comes back.

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

struct HttpRequest {
  std::string url;
  std::chrono::milliseconds connectTimeout{5000};
  std::chrono::milliseconds totalTimeout{10000};
  std::vector<std::string> headers;  // "Name: value"
  std::size_t maxBytes = 1 << 20;    // a longer reply counts as no reply
};

struct HttpReply {
  long status = 0;  // the HTTP status; 0 when no reply came (no connection, a time-out, too long)
  std::string body;
};

HttpReply HttpGet(const HttpRequest& request);

// text with every character that may not stand in a URL's query escaped as %XX.
std::string UrlEscaped(const std::string& text);
