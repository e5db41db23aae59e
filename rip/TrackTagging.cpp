#include "rip/TrackTagging.h"

#include <algorithm>
#include <cmath>

#include "id3/ID3v2Frames.h"
#include "rip/CoverPicture.h"

namespace {

std::string Mp3PictureFrames(const TrackTags& tags) {
  return tags.cover ? Id3FrontCoverFrame(tags.cover->mimeType, tags.cover->bytes) : std::string();
}

std::string NumberOrEmpty(int number) { return number > 0 ? std::to_string(number) : std::string(); }

std::string TrackText(const TrackTags& tags) {
  if (tags.track <= 0) return {};
  return tags.total > 0 ? std::to_string(tags.track) + "/" + std::to_string(tags.total) : std::to_string(tags.track);
}

std::string DiscText(const TrackTags& tags) {
  if (tags.disc <= 0) return {};
  return tags.discTotal > 0 ? std::to_string(tags.disc) + "/" + std::to_string(tags.discTotal) : std::to_string(tags.disc);
}

std::string Joined(const std::vector<std::string>& values) {
  std::string joined;
  for (const std::string& value : values) joined += (joined.empty() ? "" : "/") + value;
  return joined;
}

// The release's fields beyond the names, in the frames library tools read; several IDs joined by "/" as
// version-3 readers expect.
std::vector<Id3TextFrame> ReleaseFrames(const TrackTags& tags) {
  return {
      {"TDRC", tags.date, ""},
      {"TPOS", DiscText(tags), ""},
      {"TXXX", Joined(tags.musicBrainzArtistIds), "MusicBrainz Artist Id"},
      {"TXXX", Joined(tags.musicBrainzAlbumArtistIds), "MusicBrainz Album Artist Id"},
      {"TXXX", tags.musicBrainzReleaseGroupId, "MusicBrainz Release Group Id"},
      {"TPUB", tags.label, ""},
      {"TXXX", tags.barcode, "BARCODE"},
      {"TXXX", tags.country, "MusicBrainz Album Release Country"},
      {"TMED", tags.media, ""},
  };
}

// The same as comments; one comment per artist ID.
std::vector<std::string> ReleaseComments(const TrackTags& tags) {
  const std::pair<const char*, std::string> fields[] = {
      {"DISCNUMBER", NumberOrEmpty(tags.disc)},
      {"DISCTOTAL", NumberOrEmpty(tags.discTotal)},
      {"MUSICBRAINZ_RELEASEGROUPID", tags.musicBrainzReleaseGroupId},
      {"LABEL", tags.label},
      {"BARCODE", tags.barcode},
      {"RELEASECOUNTRY", tags.country},
      {"MEDIA", tags.media},
  };
  std::vector<std::string> comments;
  for (const auto& [name, value] : fields)
    if (!value.empty()) comments.push_back(std::string(name) + "=" + value);
  for (const std::string& id : tags.musicBrainzArtistIds) comments.push_back("MUSICBRAINZ_ARTISTID=" + id);
  for (const std::string& id : tags.musicBrainzAlbumArtistIds) comments.push_back("MUSICBRAINZ_ALBUMARTISTID=" + id);
  return comments;
}

// ReplayGain 2.0, by the names players read in each format.
std::vector<std::pair<const char*, std::string>> ReplayGainFields(const TrackTags& tags) {
  return {
      {"REPLAYGAIN_TRACK_GAIN", tags.replayGainTrackGain},
      {"REPLAYGAIN_TRACK_PEAK", tags.replayGainTrackPeak},
      {"REPLAYGAIN_ALBUM_GAIN", tags.replayGainAlbumGain},
      {"REPLAYGAIN_ALBUM_PEAK", tags.replayGainAlbumPeak},
  };
}

}  // namespace

TrackTags WithDiscCodes(TrackTags tags, const TableOfContents& toc, int trackNumber, bool deEmphasised) {
  if (tags.catalogNumber.empty()) tags.catalogNumber = toc.catalog;
  for (std::size_t k = 0; k + 1 < toc.entries.size(); ++k) {  // the tracks, without the lead-out
    const TocEntry& entry = toc.entries[k];
    if (entry.trackNumber != trackNumber) continue;
    if (!entry.isrc.empty()) tags.isrc = entry.isrc;  // the disc's own code of what is on it
    if (entry.preEmphasis && tags.comment.empty())
      tags.comment = deEmphasised ? "pre-emphasis, de-emphasised" : "pre-emphasis";
  }
  return tags;
}

TrackTags WithReplayGain(TrackTags tags, const std::optional<GainValues>& track, const std::optional<GainValues>& album) {
  if (track) {
    tags.replayGainTrackGain = ReplayGainText(track->gain);
    tags.replayGainTrackPeak = ReplayGainPeakText(track->peak);
    tags.trackGain = track->gain;
  }
  if (album) {
    tags.replayGainAlbumGain = ReplayGainText(album->gain);
    tags.replayGainAlbumPeak = ReplayGainPeakText(album->peak);
    tags.albumGain = album->gain;
  }
  return tags;
}

std::vector<std::pair<std::string, std::string>> AlbumGainFields(const GainValues& album) {
  return {{"REPLAYGAIN_ALBUM_GAIN", ReplayGainText(album.gain)}, {"REPLAYGAIN_ALBUM_PEAK", ReplayGainPeakText(album.peak)}};
}

std::vector<std::pair<std::string, std::string>> OpusAlbumGainFields(const GainValues& album) {
  return {{"R128_ALBUM_GAIN", std::to_string(R128Gain(album.gain))}};
}

std::string Mp3TagOf(const TrackTags& tags) {
  std::vector<Id3TextFrame> frames = {
      {"TIT2", tags.title, ""},
      {"TPE1", tags.artist, ""},
      {"TPE2", tags.albumArtist, ""},
      {"TALB", tags.album, ""},
      {"TRCK", TrackText(tags), ""},
      {"TYER", tags.year, ""},
      {"TCON", tags.genre, ""},
      {"TXXX", tags.cddbId, "CDDB DiscID"},
      {"TXXX", tags.musicBrainzDiscId, "MusicBrainz Disc Id"},
      {"TXXX", tags.musicBrainzReleaseId, "MusicBrainz Album Id"},
      {"TXXX", tags.musicBrainzRecordingId, "MusicBrainz Track Id"},
      {"TXXX", tags.musicBrainzTrackId, "MusicBrainz Release Track Id"},
      {"UFID", tags.musicBrainzRecordingId, "http://musicbrainz.org"},
      {"TSRC", tags.isrc, ""},
      {"TXXX", tags.catalogNumber, "CATALOGNUMBER"},
      {"COMM", tags.comment, ""},
  };
  for (Id3TextFrame& frame : ReleaseFrames(tags)) frames.push_back(std::move(frame));
  for (const auto& [name, value] : ReplayGainFields(tags)) frames.push_back({"TXXX", value, name});
  const std::string pictures = Mp3PictureFrames(tags);
  bool any = !pictures.empty();
  for (const Id3TextFrame& frame : frames) any = any || !frame.text.empty();
  return any ? BuildId3v23Tag(frames, pictures) : std::string();
}

std::vector<std::string> VorbisCommentsOf(const TrackTags& tags) {
  const std::pair<const char*, std::string> fields[] = {
      {"TITLE", tags.title},
      {"ARTIST", tags.artist},
      {"ALBUMARTIST", tags.albumArtist},
      {"ALBUM", tags.album},
      {"TRACKNUMBER", NumberOrEmpty(tags.track)},
      {"TRACKTOTAL", NumberOrEmpty(tags.total)},
      {"DATE", tags.date.empty() ? tags.year : tags.date},
      {"GENRE", tags.genre},
      {"CDDB", tags.cddbId},
      {"MUSICBRAINZ_DISCID", tags.musicBrainzDiscId},
      {"MUSICBRAINZ_ALBUMID", tags.musicBrainzReleaseId},
      {"MUSICBRAINZ_TRACKID", tags.musicBrainzRecordingId},
      {"MUSICBRAINZ_RELEASETRACKID", tags.musicBrainzTrackId},
      {"ISRC", tags.isrc},
      {"CATALOGNUMBER", tags.catalogNumber},
      {"COMMENT", tags.comment},
  };
  std::vector<std::string> comments;
  for (const auto& [name, value] : fields)
    if (!value.empty()) comments.push_back(std::string(name) + "=" + value);
  for (std::string& comment : ReleaseComments(tags)) comments.push_back(std::move(comment));
  for (const auto& [name, value] : ReplayGainFields(tags))
    if (!value.empty()) comments.push_back(std::string(name) + "=" + value);
  return comments;
}

std::string VorbisPictureComment(const TrackTags& tags) {
  return tags.cover ? "METADATA_BLOCK_PICTURE=" + Base64(FlacPictureStructure(*tags.cover)) : std::string();
}

std::vector<std::string> OpusCommentsOf(const TrackTags& tags) {
  TrackTags named = tags;
  named.replayGainTrackGain.clear();
  named.replayGainTrackPeak.clear();
  named.replayGainAlbumGain.clear();
  named.replayGainAlbumPeak.clear();
  std::vector<std::string> comments = VorbisCommentsOf(named);
  if (tags.trackGain) comments.push_back("R128_TRACK_GAIN=" + std::to_string(R128Gain(*tags.trackGain)));
  if (tags.albumGain) comments.push_back("R128_ALBUM_GAIN=" + std::to_string(R128Gain(*tags.albumGain)));
  if (tags.cover) comments.push_back(VorbisPictureComment(tags));
  return comments;
}

int R128Gain(double replayGain) {
  const double steps = std::round((replayGain - 5.0) * 256.0);  // -23 LUFS is 5 dB below -18 LUFS
  return static_cast<int>(std::clamp(steps, -32768.0, 32767.0));
}
