#include "cd/MusicBrainzLookup.h"

#include <chrono>
#include <cstdint>
#include <nlohmann/json.hpp>

#include "cd/CddbLookup.h"
#include "cd/DatabaseServer.h"
#include "cd/MusicBrainzDiscId.h"
#include "cd/RequestPacing.h"
#include "cd/TrackNaming.h"
#include "platform/ProgramFolder.h"
#include "platform/http/HttpClient.h"
#include "platform/inifile/TIniFile.h"

using nlohmann::json;

namespace {

constexpr auto kRequestSpacing = std::chrono::seconds(1);
constexpr const char* kIncludes = "inc=recordings+artist-credits+labels+release-groups+isrcs+genres&fmt=json";

// The service allows one request a second from a client: every lookup shares the pace, that of later runs too.
HttpReply Get(const MusicBrainzServer& server, const std::string& path, const std::function<bool()>& keepWaiting) {
  HttpReply abandoned;
  abandoned.abandoned = true;
  if (!WaitForTurn(server.paceFile, kRequestSpacing, keepWaiting)) return abandoned;
  HttpRequest request;
  request.keepWaiting = keepWaiting;
  request.url = server.server + path;
  request.headers = {"User-Agent: " + ProgramUserAgent() + " ( " + server.contact + " )", "Accept: application/json"};
  return HttpGet(request);
}

// The array under key, or an empty one; a reference into the document, so that what is found in it lasts.
const json& Array(const json& object, const char* key) {
  static const json empty = json::array();
  auto found = object.find(key);
  return found != object.end() && found->is_array() ? *found : empty;
}

std::string Text(const json& object, const char* key) {
  auto found = object.find(key);
  return found != object.end() && found->is_string() ? PrintableText(found->get<std::string>()) : std::string();
}

// "Artist feat. Other": the credited names with their join phrases.
std::string Credit(const json& object) {
  std::string credit;
  for (const json& part : Array(object, "artist-credit"))
    if (part.is_object()) credit += Text(part, "name") + Text(part, "joinphrase");
  return credit;
}

// The IDs of the credited artists, in credit order.
std::vector<std::string> CreditIds(const json& object) {
  std::vector<std::string> ids;
  for (const json& part : Array(object, "artist-credit"))
    if (part.is_object() && part.contains("artist") && part.at("artist").is_object() && !Text(part.at("artist"), "id").empty())
      ids.push_back(Text(part.at("artist"), "id"));
  return ids;
}

// The object under key, or an empty one.
const json& Object(const json& object, const char* key) {
  static const json empty = json::object();
  auto found = object.find(key);
  return found != object.end() && found->is_object() ? *found : empty;
}

std::string FirstCatalogNumber(const json& release) {
  for (const json& info : Array(release, "label-info"))
    if (info.is_object() && !Text(info, "catalog-number").empty()) return Text(info, "catalog-number");
  return {};
}

std::string FirstIsrc(const json& recording) {
  for (const json& isrc : Array(recording, "isrcs"))
    if (isrc.is_string()) return PrintableText(isrc.get<std::string>());
  return {};
}

int Position(const json& medium) {
  auto found = medium.find("position");
  return found != medium.end() && found->is_number_integer() ? found->get<int>() : 0;
}

bool HoldsDisc(const json& medium, const std::string& discId) {
  for (const json& disc : Array(medium, "discs"))
    if (disc.is_object() && Text(disc, "id") == discId) return true;
  return false;
}

// The genre most voted for, on the release or else on its release group; empty when neither has one.
std::string TopGenre(const json& release) {
  const json* genres = &Array(release, "genres");
  auto group = release.find("release-group");
  if (genres->empty() && group != release.end() && group->is_object()) genres = &Array(*group, "genres");
  std::string top;
  std::int64_t most = -1;
  for (const json& genre : *genres) {
    if (!genre.is_object()) continue;
    auto count = genre.find("count");
    std::int64_t votes = count != genre.end() && count->is_number_integer() ? count->get<std::int64_t>() : 0;
    if (votes > most && !Text(genre, "name").empty()) {
      most = votes;
      top = Text(genre, "name");
    }
  }
  return top;
}

const json* MatchedMedium(const json& release, const std::string& discId, int trackCount) {
  const json* byCount = nullptr;
  for (const json& medium : Array(release, "media")) {
    if (!medium.is_object()) continue;
    if (HoldsDisc(medium, discId)) return &medium;
    auto count = medium.find("track-count");
    if (byCount == nullptr && count != medium.end() && count->is_number_integer() && *count == trackCount)
      byCount = &medium;
  }
  return byCount;
}

// The track's length in milliseconds, the recording's where the track names none; 0 when neither does.
int TrackLength(const json& track) {
  for (const json* holder : {&track, &Object(track, "recording")}) {
    auto length = holder->find("length");
    if (length != holder->end() && length->is_number_integer() && *length > 0) return length->get<int>();
  }
  return 0;
}

MusicBrainzRelease ReleaseOf(const json& release, const json& medium, const std::string& discId) {
  MusicBrainzRelease result;
  result.id = Text(release, "id");
  result.artist = Credit(release);
  result.title = Text(release, "title");
  result.date = Text(release, "date");
  result.country = Text(release, "country");
  for (const json& info : Array(release, "label-info"))
    if (info.is_object() && info.contains("label") && info.at("label").is_object() && result.label.empty())
      result.label = Text(info.at("label"), "name");
  result.format = Text(medium, "format");
  DiscMetadata& metadata = result.metadata;
  metadata.artist = result.artist;
  metadata.album = result.title;
  metadata.year = result.date.substr(0, 4);
  metadata.genre = TopGenre(release);
  metadata.musicBrainzDiscId = discId;
  metadata.musicBrainzReleaseId = result.id;
  metadata.source = "MusicBrainz";
  metadata.date = result.date;
  metadata.discNumber = Position(medium);
  metadata.discTotal = static_cast<int>(Array(release, "media").size());
  metadata.musicBrainzAlbumArtistIds = CreditIds(release);
  metadata.musicBrainzReleaseGroupId = Text(Object(release, "release-group"), "id");
  metadata.label = result.label;
  metadata.catalogNumber = FirstCatalogNumber(release);
  metadata.barcode = Text(release, "barcode");
  metadata.country = result.country;
  metadata.media = result.format;
  for (const json& track : Array(medium, "tracks")) {
    if (!track.is_object()) continue;
    metadata.titles.push_back(Text(track, "title"));
    std::string artist = Credit(track);
    metadata.artists.push_back(artist.empty() ? result.artist : artist);
    auto recording = track.find("recording");
    bool known = recording != track.end() && recording->is_object();
    metadata.musicBrainzRecordingIds.push_back(known ? Text(*recording, "id") : std::string());
    metadata.musicBrainzTrackIds.push_back(Text(track, "id"));
    std::vector<std::string> artistIds = CreditIds(track);
    metadata.musicBrainzArtistIds.push_back(artistIds.empty() ? metadata.musicBrainzAlbumArtistIds : artistIds);
    metadata.isrcs.push_back(FirstIsrc(Object(track, "recording")));
    result.trackLengths.push_back(TrackLength(track));
  }
  return result;
}

}  // namespace

MusicBrainzServer ReadMusicBrainzServer(TIniFile* settings) {
  MusicBrainzServer server;
  server.contact = ReadCddbServer(settings).email;
  if (settings == nullptr) return server;
  server.paceFile = CacheFolder(settings->FileName()) + "/musicbrainz/last-request";
  try {
    std::string value = settings->ReadString("MusicBrainz", "server", "");
    if (!value.empty()) server.server = value;
  } catch (const EIniFileError&) {
  }
  while (server.server.size() > 1 && server.server.back() == '/') server.server.pop_back();
  return server;
}

std::vector<MusicBrainzRelease> ParseMusicBrainzReleases(const std::string& reply, const std::string& discId,
                                                         int trackCount) {
  json document = json::parse(reply);
  std::vector<MusicBrainzRelease> releases;
  for (const json& release : document.at("releases")) {
    if (!release.is_object()) continue;
    if (const json* medium = MatchedMedium(release, discId, trackCount)) releases.push_back(ReleaseOf(release, *medium, discId));
  }
  return releases;
}

MusicBrainzResult LookUpMusicBrainz(const TableOfContents& toc, const MusicBrainzServer& server,
                                    const std::function<bool()>& keepWaiting) {
  MusicBrainzResult result;
  result.discId = MusicBrainzDiscId(toc);
  HttpReply reply = Get(server, "/ws/2/discid/" + result.discId + "?" + kIncludes, keepWaiting);
  if (reply.status == 404) {
    // The same tracks as the ID: a lookup by table of contents finds discs whose ID differs a little.
    MusicBrainzToc counted = MusicBrainzTocOf(toc);
    std::string parameter = "toc=" + std::to_string(counted.firstTrack) + "+" + std::to_string(counted.lastTrack) +
                            "+" + std::to_string(counted.leadout);
    for (std::uint32_t offset : counted.offsets) parameter += "+" + std::to_string(offset);
    reply = Get(server, "/ws/2/discid/-?" + parameter + "&cdstubs=no&" + kIncludes, keepWaiting);
  }
  if (reply.abandoned) {
    result.outcome = MusicBrainzOutcome::Abandoned;
    result.message = "MusicBrainz lookup abandoned";
    return result;
  }
  if (reply.status != 200) {
    result.message = reply.tooLarge      ? "MusicBrainz sent a reply too large to read (over 1 MiB)"
                     : reply.status == 0 ? "MusicBrainz could not be reached"
                     : reply.status == 503 ? "MusicBrainz is busy (503); try again in a moment"
                     : reply.status == 404 ? "No record in MusicBrainz!"
                                           : "MusicBrainz answered HTTP " + std::to_string(reply.status);
    result.outcome = reply.status == 404 ? MusicBrainzOutcome::NoMatch : MusicBrainzOutcome::Failed;
    return result;
  }
  try {
    result.releases = ParseMusicBrainzReleases(reply.body, result.discId, toc.TrackCount());
  } catch (const json::exception&) {
    result.message = "MusicBrainz sent a reply that cannot be read";
    return result;
  }
  result.outcome = result.releases.empty() ? MusicBrainzOutcome::NoMatch : MusicBrainzOutcome::Found;
  if (result.releases.empty()) result.message = "No record in MusicBrainz!";
  return result;
}
