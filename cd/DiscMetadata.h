#pragma once
// What a lookup tells about a disc beyond its file names, and the tags each ripped track gets from it.
// All text is UTF-8 without control characters.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cd/CoverArt.h"

struct DiscMetadata {
  std::string artist;
  std::string album;
  std::string year;
  std::string genre;
  std::string cddbId;              // 8 hexadecimal digits
  std::string musicBrainzDiscId;   // computed from the table of contents
  std::string musicBrainzReleaseId;  // when the data came from MusicBrainz
  std::vector<std::string> titles;   // one per track row, in row order
  std::vector<std::string> artists;  // one per track row; the disc's artist where the entry names none
  std::vector<std::string> musicBrainzRecordingIds;  // one per track row, when the data came from MusicBrainz
  std::vector<std::string> musicBrainzTrackIds;      // the release's own track of each row
  std::string source;  // where it came from, for the rip log: "CDDB", "MusicBrainz" or "CD-Text"
  // What a MusicBrainz release tells beyond names; empty or 0 where the source does not know it.
  std::string date{};  // the full release date, "1973-03-24" (or "1973-03", "1973")
  int discNumber = 0;  // the matched medium's position in the release
  int discTotal = 0;   // the release's media
  std::vector<std::string> musicBrainzAlbumArtistIds{};  // the release's credited artists
  std::string musicBrainzReleaseGroupId{};
  std::string label{};
  std::string catalogNumber{};
  std::string barcode{};
  std::string country{};  // the release country, "GB"
  std::string media{};    // the medium's format, "CD"
  std::vector<std::vector<std::string>> musicBrainzArtistIds{};  // per track row: its credited artists
  std::vector<std::string> isrcs{};                              // per track row: the recording's first ISRC
};

struct TrackTags {
  std::string title;
  std::string artist;
  std::string albumArtist;  // the disc's artist, whenever a lookup or the CD-Text names one
  std::string album;
  std::string year;
  std::string genre;
  int track = 0;
  int total = 0;
  std::string cddbId;
  std::string musicBrainzDiscId;
  std::string musicBrainzReleaseId;
  std::string musicBrainzRecordingId;
  std::string musicBrainzTrackId;
  std::string isrc;           // the disc's own for the track, else the recording's in the lookup
  std::string catalogNumber;  // a lookup's, else the disc's own
  std::string comment;
  std::string date{};  // the full release date where the lookup gave one, else empty (the year stands for it)
  int disc = 0;
  int discTotal = 0;
  std::vector<std::string> musicBrainzArtistIds{};
  std::vector<std::string> musicBrainzAlbumArtistIds{};
  std::string musicBrainzReleaseGroupId{};
  std::string label{};
  std::string barcode{};
  std::string country{};
  std::string media{};
  // ReplayGain 2.0 as the tags write it ("-6.52 dB", "0.988525"); empty: not known
  std::string replayGainTrackGain;
  std::string replayGainTrackPeak;
  std::string replayGainAlbumGain;
  std::string replayGainAlbumPeak;
  std::shared_ptr<const CoverArt> cover;  // the release's front cover, shared by every track's tags
  // The same gains in dB, unrounded, for Opus's R128 tags
  std::optional<double> trackGain{};
  std::optional<double> albumGain{};
};

// The metadata of a CDDB entry: "DTITLE=Artist / Album", DYEAR, DGENRE, and the track titles of the rows
// (trackNumbers in row order); on a disc of various artists a title "Artist / Title" names the track's artist.
DiscMetadata CddbDiscMetadata(const std::string& entry, const std::string& cddbId, const std::vector<int>& trackNumbers);

// The tags of the disc's track k (from 0): from the lookup's data when there is some, else the title is the
// row's file name without its extension. The hidden audio before track 1 (trackNumber 0) is no track of the
// lookup's: it gets the album's tags, the title "Hidden track", and no track number.
TrackTags TrackTagsOf(const std::optional<DiscMetadata>& metadata, std::size_t track, const std::string& rowName,
                      int trackNumber, int total);

// Which of the disc's tracks (from 0) row k of a track list shows: a list that starts with the hidden audio's
// row "00" shows each track a row further on.
std::size_t TrackOfRow(const std::string& firstRowNumber, std::size_t k);
