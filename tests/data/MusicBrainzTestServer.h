#pragma once
// A MusicBrainz web service on 127.0.0.1 for the tests: each request path (without its query) gets the reply
// set for it, every other path 404; it records what came and when.

#include <map>
#include <string>
#include <vector>

#include "tests/data/HttpTestServer.h"

namespace testdata {

using MusicBrainzReply = HttpTestReply;
using MusicBrainzRequest = HttpTestRequest;

// A reply kept in tests/data/musicbrainz, written after the service's documented format.
std::string MusicBrainzReplyFile(const std::string& name);

class MusicBrainzTestServer {
 public:
  explicit MusicBrainzTestServer(std::map<std::string, MusicBrainzReply> replies);

  std::string Url() const { return FHttp.Url(); }
  std::vector<MusicBrainzRequest> Requests() const { return FHttp.Requests(); }

 private:
  std::map<std::string, MusicBrainzReply> FReplies;
  HttpTestServer FHttp;  // last: it answers from the replies above
};

}  // namespace testdata
