#include "tests/data/MusicBrainzTestServer.h"

#include <fstream>
#include <stdexcept>

namespace testdata {

std::string MusicBrainzReplyFile(const std::string& name) {
  std::ifstream in(std::string(QUILLON_TEST_DATA) + "/musicbrainz/" + name, std::ios::binary);
  if (!in) throw std::runtime_error("no test reply " + name);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

MusicBrainzTestServer::MusicBrainzTestServer(std::map<std::string, MusicBrainzReply> replies)
    : FReplies(std::move(replies)), FHttp([this](const std::string& target) {
        auto found = FReplies.find(target.substr(0, target.find('?')));
        return found == FReplies.end() ? MusicBrainzReply{404, R"({"error": "Not Found"})"} : found->second;
      }) {}

}  // namespace testdata
