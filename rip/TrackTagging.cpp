#include "rip/TrackTagging.h"

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

}  // namespace

TrackTags WithDiscCodes(TrackTags tags, const TableOfContents& toc, int trackNumber, bool deEmphasised) {
  if (tags.catalogNumber.empty()) tags.catalogNumber = toc.catalog;
  for (std::size_t k = 0; k + 1 < toc.entries.size(); ++k) {  // the tracks, without the lead-out
    const TocEntry& entry = toc.entries[k];
    if (entry.trackNumber != trackNumber) continue;
    if (tags.isrc.empty()) tags.isrc = entry.isrc;
    if (entry.preEmphasis && tags.comment.empty())
      tags.comment = deEmphasised ? "pre-emphasis, de-emphasised" : "pre-emphasis";
  }
  return tags;
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
      {"DATE", tags.year},
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
  return comments;
}

std::string VorbisPictureComment(const TrackTags& tags) {
  return tags.cover ? "METADATA_BLOCK_PICTURE=" + Base64(FlacPictureStructure(*tags.cover)) : std::string();
}
