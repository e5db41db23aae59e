#pragma once
// The tags a ripped file carries: an ID3v2.3 tag in front of an MP3 file, comment lines for an Ogg or Opus file.

#include <string>
#include <vector>

#include "cd/DiscMetadata.h"
#include "cd/TableOfContents.h"
#include "rip/ReplayGain.h"

// The tags with what the disc says of the track: its ISRC (over the lookup's recording's), the disc's catalogue number where no lookup gave
// one, and a comment "pre-emphasis" for a track recorded with it ("pre-emphasis, de-emphasised" when the
// file's audio was de-emphasised).
TrackTags WithDiscCodes(TrackTags tags, const TableOfContents& toc, int trackNumber, bool deEmphasised);

// The tags with the track's and the album's ReplayGain where they are known.
TrackTags WithReplayGain(TrackTags tags, const std::optional<GainValues>& track, const std::optional<GainValues>& album);

// The album's ReplayGain, by the names MP3, Ogg Vorbis and FLAC files carry it.
std::vector<std::pair<std::string, std::string>> AlbumGainFields(const GainValues& album);
// The album's loudness as an Opus file carries it: R128_ALBUM_GAIN in 1/256 dB to -23 LUFS.
std::vector<std::pair<std::string, std::string>> OpusAlbumGainFields(const GainValues& album);

// Empty when there is nothing to tag.
std::string Mp3TagOf(const TrackTags& tags);
std::vector<std::string> VorbisCommentsOf(const TrackTags& tags);
// The cover of an Ogg file: "METADATA_BLOCK_PICTURE=<base64 of the FLAC picture structure>"; empty without one.
std::string VorbisPictureComment(const TrackTags& tags);

// The comments of an Opus file, whole: the Ogg file's names and cover, with the loudness as Opus defines it
// (R128_TRACK_GAIN, R128_ALBUM_GAIN) in place of the REPLAYGAIN_* comments. Also what a finished Opus file is
// re-tagged with.
std::vector<std::string> OpusCommentsOf(const TrackTags& tags);
// An R128 gain: a gain in dB to -18 LUFS as Q7.8 fixed point (1/256 dB) relative to -23 LUFS.
int R128Gain(double replayGain);
