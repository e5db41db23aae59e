#include "cd/DiscMetadata.h"

#include <filesystem>

#include "cd/CddbLookup.h"
#include "cd/TrackNaming.h"

namespace {

// The value of the first line "KEY=value" of an entry; keys at the start of a line only.
std::string EntryValue(const std::string& entry, const std::string& key) {
  std::string wanted = key + "=";
  for (std::size_t start = 0; start < entry.size();) {
    std::size_t end = entry.find_first_of("\r\n", start);
    if (end == std::string::npos) end = entry.size();
    if (entry.compare(start, wanted.size(), wanted) == 0) return entry.substr(start + wanted.size(), end - start - wanted.size());
    start = end + 1;
  }
  return {};
}

// "Artist / Title" split at its first " / "; without one, the whole text is the second part.
std::pair<std::string, std::string> SplitAtSlash(const std::string& text) {
  std::size_t slash = text.find(" / ");
  if (slash == std::string::npos) return {{}, text};
  return {text.substr(0, slash), text.substr(slash + 3)};
}

// Printable and without surrounding blanks.
std::string Clean(const std::string& text) {
  std::string printable = PrintableText(text);
  std::size_t first = printable.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return printable.substr(first, printable.find_last_not_of(' ') - first + 1);
}

bool VariousArtists(const std::string& artist) { return artist == "Various" || artist == "Various Artists"; }

// The release's own tags, and those of its track (from 0; past the end for none).
void AddReleaseTags(TrackTags& tags, const DiscMetadata& metadata, std::size_t track) {
  tags.date = metadata.date;
  tags.disc = metadata.discNumber;
  tags.discTotal = metadata.discTotal;
  tags.musicBrainzAlbumArtistIds = metadata.musicBrainzAlbumArtistIds;
  tags.musicBrainzReleaseGroupId = metadata.musicBrainzReleaseGroupId;
  tags.label = metadata.label;
  tags.catalogNumber = metadata.catalogNumber;
  tags.barcode = metadata.barcode;
  tags.country = metadata.country;
  tags.media = metadata.media;
  tags.musicBrainzArtistIds = track < metadata.musicBrainzArtistIds.size() ? metadata.musicBrainzArtistIds[track]
                                                                             : metadata.musicBrainzAlbumArtistIds;
  if (track < metadata.isrcs.size()) tags.isrc = metadata.isrcs[track];
}

}  // namespace

DiscMetadata CddbDiscMetadata(const std::string& entry, const std::string& cddbId, const std::vector<int>& trackNumbers) {
  DiscMetadata metadata;
  auto [artist, album] = SplitAtSlash(Clean(EntryValue(entry, "DTITLE")));
  metadata.artist = artist.empty() ? album : artist;
  metadata.album = album;
  metadata.year = Clean(EntryValue(entry, "DYEAR"));
  metadata.genre = Clean(EntryValue(entry, "DGENRE"));
  metadata.cddbId = cddbId;
  metadata.source = "CDDB";
  for (int number : trackNumbers) {
    std::string title = Clean(CddbTrackTitle(entry, number));
    std::string trackArtist = metadata.artist;
    if (VariousArtists(metadata.artist)) {
      auto [named, rest] = SplitAtSlash(title);
      if (!named.empty()) {
        trackArtist = named;
        title = rest;
      }
    }
    metadata.titles.push_back(title);
    metadata.artists.push_back(trackArtist);
  }
  return metadata;
}

TrackTags TrackTagsOf(const std::optional<DiscMetadata>& metadata, std::size_t track, const std::string& rowName,
                      int trackNumber, int total) {
  TrackTags tags;
  tags.track = trackNumber;
  tags.total = total;
  if (!metadata) {
    std::string base = std::filesystem::path(rowName).stem().string();
    tags.title = Clean(base);
    return tags;
  }
  const bool hidden = trackNumber == 0;
  auto at = [&](const std::vector<std::string>& values) {
    return !hidden && track < values.size() ? values[track] : std::string();
  };
  tags.title = hidden ? "Hidden track" : at(metadata->titles);
  tags.artist = at(metadata->artists);
  if (tags.artist.empty()) tags.artist = metadata->artist;
  tags.albumArtist = metadata->artist;  // library tools group an album by it
  tags.album = metadata->album;
  tags.year = metadata->year;
  tags.genre = metadata->genre;
  tags.cddbId = metadata->cddbId;
  tags.musicBrainzDiscId = metadata->musicBrainzDiscId;
  tags.musicBrainzReleaseId = metadata->musicBrainzReleaseId;
  tags.musicBrainzRecordingId = at(metadata->musicBrainzRecordingIds);
  tags.musicBrainzTrackId = at(metadata->musicBrainzTrackIds);
  AddReleaseTags(tags, *metadata, hidden ? metadata->musicBrainzArtistIds.size() : track);
  return tags;
}

std::size_t TrackOfRow(const std::string& firstRowNumber, std::size_t k) {
  return IsHiddenAudioRow(firstRowNumber) && k > 0 ? k - 1 : k;
}
