#include "batch/DiscIdentifier.h"

#include <cstdlib>
#include <limits>
#include <nlohmann/json.hpp>

#include "cd/CdTextMetadata.h"
#include "cd/CddbLookup.h"
#include "cd/MusicBrainzLookup.h"
#include "cd/TrackNaming.h"
#include "platform/inifile/TIniFile.h"

std::size_t NearestRelease(const std::vector<std::vector<int>>& releaseLengths, const std::vector<std::uint32_t>& blocks) {
  std::size_t nearest = 0;
  double least = std::numeric_limits<double>::max();
  for (std::size_t r = 0; r < releaseLengths.size(); ++r) {
    double distance = 0;
    for (std::size_t k = 0; k < blocks.size(); ++k) {
      const double disc = double(blocks[k]) * 1000.0 / 75.0;
      const bool known = k < releaseLengths[r].size() && releaseLengths[r][k] > 0;
      distance += known ? std::abs(disc - releaseLengths[r][k]) : disc;
    }
    if (distance < least) {
      least = distance;
      nearest = r;
    }
  }
  return nearest;
}

DiscIdentifier::DiscIdentifier(TIniFile& settings, bool lookup, const std::atomic<bool>& stop)
    : FSettings(settings), FLookup(lookup), FStop(stop) {}

// Settings section "MusicBrainz", key "lookup", as quillon-cli rip --lookup reads it: "CDDB" (the default),
// "MusicBrainz", "MusicBrainz, then CDDB", each also with "CD-Text, then " in front; the CD-Text last where the
// value does not name it.
std::vector<DiscIdentifier::Source> DiscIdentifier::Sources() const {
  if (!FLookup) return {Source::CdText};
  std::string value = "CDDB";
  try {
    value = FSettings.ReadString("MusicBrainz", "lookup", "CDDB");
  } catch (const EIniFileError&) {
  }
  std::vector<Source> sources;
  const std::string separator = ", then ";
  for (std::size_t start = 0; start <= value.size();) {
    std::size_t end = value.find(separator, start);
    if (end == std::string::npos) end = value.size();
    const std::string name = value.substr(start, end - start);
    if (name == "CD-Text") sources.push_back(Source::CdText);
    if (name == "MusicBrainz") sources.push_back(Source::MusicBrainz);
    if (name == "CDDB") sources.push_back(Source::Cddb);
    start = end + separator.size();
  }
  auto names = [&sources](Source source) { return std::find(sources.begin(), sources.end(), source) != sources.end(); };
  if (!names(Source::MusicBrainz) && !names(Source::Cddb) && !names(Source::CdText)) sources.push_back(Source::Cddb);
  if (!names(Source::CdText)) sources.push_back(Source::CdText);
  return sources;
}

DiscIdentity DiscIdentifier::Identify(CdDrives& drives, OutputFormat format, std::vector<RipRow>& rows) const {
  const NamingOptions naming = ReadNamingOptions(&FSettings);
  auto keepWaiting = [this] { return !FStop; };
  DiscIdentity identity;
  std::optional<DiscMetadata> metadata;
  std::vector<TrackRow> named;
  for (Source source : Sources()) {
    if (metadata || FStop) break;
    if (source == Source::CdText) {
      named.clear();
      for (const RipRow& row : rows) named.push_back({row.number, row.name, "", "", "", true});
      metadata = NameAfterCdText(drives.Text(), named, format, naming);
    }
    if (source == Source::Cddb) {
      CddbLookupResult result = LookUpDisc(drives, format, ReadCddbServer(&FSettings), [](const std::string&) {},
                                           naming, keepWaiting);
      named = result.rows;
      metadata = result.metadata;
    }
    if (source == Source::MusicBrainz) {
      MusicBrainzResult result = LookUpMusicBrainz(drives.Toc(), ReadMusicBrainzServer(&FSettings), keepWaiting);
      if (result.releases.empty()) continue;
      std::vector<std::vector<int>> lengths;
      for (const MusicBrainzRelease& release : result.releases) lengths.push_back(release.trackLengths);
      std::vector<std::uint32_t> blocks;
      for (const RipRow& row : rows)
        if (row.audio && !IsHiddenAudioRow(row.number)) blocks.push_back(row.blocks);
      const std::size_t chosen = NearestRelease(lengths, blocks);
      nlohmann::json others = nlohmann::json::array();
      for (std::size_t r = 0; r < result.releases.size(); ++r)
        if (r != chosen) {
          const MusicBrainzRelease& release = result.releases[r];
          others.push_back({{"id", release.id}, {"artist", release.artist}, {"title", release.title},
                            {"date", release.date}, {"country", release.country}});
        }
      identity.otherReleases = others.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
      metadata = result.releases[chosen].metadata;
      named = drives.ReadTableOfContents(format).rows;
      std::vector<std::string> names = LookedUpNames(*metadata, named, format, naming);
      for (std::size_t k = 0; k < named.size() && k < names.size(); ++k) named[k].name = names[k];
    }
  }
  identity.metadataSource = metadata ? metadata->source : std::string();
  if (metadata) {
    identity.artist = metadata->artist;
    identity.album = metadata->album;
  }
  const int total = drives.Toc().TrackCount();
  for (std::size_t k = 0; k < rows.size(); ++k) {
    if (metadata && k < named.size()) rows[k].name = named[k].name;
    rows[k].tags =
        TrackTagsOf(metadata, TrackOfRow(rows.front().number, k), rows[k].name, std::stoi(rows[k].number), total);
  }
  if (!metadata) {
    std::vector<TrackRow> fresh(rows.size());
    for (std::size_t k = 0; k < rows.size(); ++k) fresh[k] = {rows[k].number, rows[k].name, "", "", "", true};
    NameFreshRows(fresh, format, naming);
    for (std::size_t k = 0; k < rows.size(); ++k) rows[k].name = fresh[k].name;
  }
  return identity;
}
