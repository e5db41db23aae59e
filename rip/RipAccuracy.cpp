#include "rip/RipAccuracy.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "acs/ACS_Wave.h"
#include "acs/TFileStream.h"
#include "cd/CtdbToc.h"
#include "cd/MusicBrainzDiscId.h"
#include "cd/TrackNaming.h"
#include "platform/files/ReplacementFile.h"
#include "rip/RipCueSheet.h"
#include "rip/RipJob.h"
#include "rip/RipLog.h"

namespace {

// The blocks read on either side of a track to prove it at another offset.
constexpr std::int32_t kAroundBlocks = TrackChecksums::kSearchFrames / 588;

}  // namespace

void RipAccuracy::Start(const RipInput& input) {
  FInput = &input;
  FDiscOffsets.clear();
  FCtdbParts.clear();
  FAccurateRip.Answered({});
  FCtdb.Answered({});
  if (input.toc.entries.empty()) return;
  FIds = AccurateRipIdsOf(input.toc);
  FCtdbParts.resize(static_cast<std::size_t>(FIds.audioTracks));
  if (!input.values.accurateRipServer.empty()) {
    AccurateRipClient client(input.values.accurateRipServer, input.values.cacheFolder);
    FAccurateRip.Start([client, ids = FIds](const std::function<bool()>& keepWaiting) {
      return client.Look(ids, keepWaiting);
    });
  }
  if (!input.values.ctdbServer.empty()) {
    CtdbClient client(input.values.ctdbServer, input.values.cacheFolder);
    FCtdb.Start([client, toc = input.toc](const std::function<bool()>& keepWaiting) {
      return client.Look(toc, keepWaiting);
    });
  }
}

std::size_t RipAccuracy::AudioIndexOf(const RipRow& row) const {
  std::size_t index = 0;
  for (const TocEntry& entry : FInput->toc.entries)
    if (entry.start < row.start && entry.audio) ++index;
  return index;
}

std::size_t RipAccuracy::DiscIndexOf(const RipRow& row) const {
  std::size_t index = 0;
  while (index < FInput->toc.entries.size() && FInput->toc.entries[index].start < row.start) ++index;
  return index;
}

TrackChecksums RipAccuracy::ChecksumsFor(const RipRow& row) const {
  if (IsHiddenAudioRow(row.number)) return TrackChecksums(std::uint64_t(row.blocks) * 588, false, false, CtdbAudioFrames(FInput->toc));
  std::size_t audioTracks = static_cast<std::size_t>(FIds.audioTracks);
  std::size_t index = FInput->toc.entries.empty() ? 0 : AudioIndexOf(row);
  bool last = FInput->toc.entries.empty() || index + 1 == audioTracks;
  return TrackChecksums(std::uint64_t(row.blocks) * 588, index == 0, last, CtdbAudioFrames(FInput->toc));
}

TrackVerdicts RipAccuracy::Verify(const RipRow& row, const TrackChecksums& checksums, const TrackAudio& audio,
                                  const std::function<bool()>& keepWaiting) {
  // Neither database knows the audio before the first track: its CRCs are all there is to say of it.
  if (IsHiddenAudioRow(row.number)) {
    TrackVerdicts hidden;
    hidden.accurateRip.kind = hidden.ctdb.kind = TrackVerdict::Kind::HiddenAudio;
    return hidden;
  }
  if (!FAccurateRip.Wait(keepWaiting) || !FCtdb.Wait(keepWaiting) || FInput->toc.entries.empty()) return {};
  TrackVerdicts verdicts;
  if (FAccurateRip.Get().result != DbarLookup::Result::Failed) {
    verdicts.accurateRip = VerifyTrack(FAccurateRip.Get().pressings, DiscIndexOf(row), checksums,
                                       [&](const std::vector<int>& shifts) { return SumsAt(row, audio, shifts); },
                                       FDiscOffsets);
    const TrackVerdict& verdict = verdicts.accurateRip;
    if (verdict.kind == TrackVerdict::Kind::AccurateWithOffset &&
        std::find(FDiscOffsets.begin(), FDiscOffsets.end(), verdict.offset) == FDiscOffsets.end())
      FDiscOffsets.push_back(verdict.offset);
  }
  const std::size_t audioIndex = AudioIndexOf(row);
  if (FCtdb.Get().result != CtdbLookup::Result::Failed)
    verdicts.ctdb = VerifyCtdbTrack(FCtdb.Get().entries, audioIndex, checksums.Ctdb(), [&] { return AroundOf(row, audio); });
  if (audioIndex < FCtdbParts.size()) FCtdbParts[audioIndex] = checksums.Ctdb();
  return verdicts;
}

// The track's stream for the shifts: the disc's blocks before it, the track from its file, the blocks after.
std::vector<ShiftedTrackSums::Sums> RipAccuracy::SumsAt(const RipRow& row, const TrackAudio& audio,
                                                        const std::vector<int>& shifts) const {
  const std::size_t audioIndex = AudioIndexOf(row);
  ShiftedTrackSums sums(std::uint64_t(row.blocks) * 588, audioIndex == 0,
                        audioIndex + 1 == static_cast<std::size_t>(FIds.audioTracks), shifts);
  const AudioAround around = AroundOf(row, audio);
  sums.Add(around.before.data(), around.before.size());
  std::vector<std::uint8_t> buffer(std::size_t(TRACKBUF_BLOCKS) * CD_BLOCK_BYTES);
  audio.file->Seek(kWaveHeaderSize, SEEK_SET);
  for (std::uint64_t left = std::uint64_t(row.blocks) * CD_BLOCK_BYTES; left > 0;) {
    std::int64_t got = audio.file->Read(buffer.data(), std::int64_t(std::min<std::uint64_t>(left, buffer.size())));
    if (got <= 0) return {};  // the file is short: no shift can be proved
    sums.Add(buffer.data(), std::size_t(got));
    left -= std::uint64_t(got);
  }
  sums.Add(around.after.data(), around.after.size());
  return sums.Result();
}

AudioAround RipAccuracy::AroundOf(const RipRow& row, const TrackAudio& audio) const {
  AudioAround around{std::vector<std::uint8_t>(std::size_t(kAroundBlocks) * CD_BLOCK_BYTES),
                     std::vector<std::uint8_t>(std::size_t(kAroundBlocks) * CD_BLOCK_BYTES)};
  audio.readDisc(std::int64_t(row.start) - kAroundBlocks, kAroundBlocks, around.before.data());
  audio.readDisc(std::int64_t(row.start) + row.blocks, kAroundBlocks, around.after.data());
  return around;
}

DiscVerdicts RipAccuracy::DiscVerdictsOf(const std::vector<TrackResult>& tracks) const {
  std::vector<TrackVerdict> accurateRip, ctdb;
  for (const TrackResult& track : tracks) {
    if (IsHiddenAudioRow(track.number)) continue;  // the disc's verdicts are its tracks'
    accurateRip.push_back(track.verdict);
    ctdb.push_back(track.ctdbVerdict);
  }
  // The disc's CTDB CRC is known when every audio track was read.
  std::vector<const CtdbTrackPart*> parts;
  for (const std::optional<CtdbTrackPart>& part : FCtdbParts)
    if (part) parts.push_back(&*part);
  if (parts.size() != FCtdbParts.size()) parts.clear();
  DiscVerdicts disc{DiscVerdictText(accurateRip), CtdbDiscVerdictText(FCtdb.Get().entries, parts, ctdb)};
  if (!FAccurateRip.Get().error.empty()) disc.accurateRip += " (" + FAccurateRip.Get().error + ")";
  if (!FCtdb.Get().error.empty()) disc.ctdb += " (" + FCtdb.Get().error + ")";
  return disc;
}

namespace {

// The release's artist and title, as a lookup tagged the rows.
void ReleaseOf(const std::vector<RipRow>& rows, std::string& artist, std::string& album) {
  for (const RipRow& row : rows) {
    if (row.tags.album.empty()) continue;
    artist = PrintableText(row.tags.albumArtist.empty() ? row.tags.artist : row.tags.albumArtist);
    album = PrintableText(row.tags.album);
    return;
  }
}

}  // namespace

// The album's title when a lookup gave one (made a file name as titles are), else "Disc <CDDB ID>".
std::string RipAccuracy::LogName() const {
  for (const RipRow& row : FInput->rows) {
    if (!row.checked || row.tags.album.empty()) continue;
    std::string name = TrackFileName(row.tags.album, "", "");
    if (name != "Track-") return name;
  }
  char id[16];
  std::snprintf(id, sizeof id, "%08x", FIds.cddb);
  return "Disc " + std::string(id);
}

namespace {

// The row of a ripped track; a lookup's tags name the track in the sheet, and the first such row the disc.
const RipRow* RowOf(const std::vector<RipRow>& rows, const std::string& number) {
  for (const RipRow& row : rows)
    if (row.number == number) return &row;
  return nullptr;
}

RipCueDisc CueDiscOf(const RipInput& input, std::uint32_t cddbId) {
  RipCueDisc disc;
  disc.toc = input.toc;
  char id[16];
  std::snprintf(id, sizeof id, "%08X", cddbId);
  if (!input.toc.entries.empty()) disc.discId = id;
  for (const RipRow& row : input.rows) {
    if (!row.checked || row.tags.album.empty()) continue;
    disc.genre = row.tags.genre;
    disc.date = row.tags.year;
    disc.performer = row.tags.albumArtist.empty() ? row.tags.artist : row.tags.albumArtist;
    disc.title = row.tags.album;
    break;
  }
  return disc;
}

std::vector<RipCueTrack> CueTracksOf(const RipInput& input, const std::vector<TrackResult>& tracks) {
  std::vector<RipCueTrack> cue;
  for (const TrackResult& track : tracks) {
    const RipRow* row = RowOf(input.rows, track.number);
    RipCueTrack line{track.number, track.path, track.blocks, row != nullptr ? row->start : 0};
    if (row != nullptr && !row->tags.album.empty()) {
      line.title = row->tags.title;
      line.performer = row->tags.artist;
    }
    cue.push_back(line);
  }
  return cue;
}

}  // namespace

std::string RipAccuracy::WriteLogAndCue(const std::vector<TrackResult>& tracks, const DiscVerdicts& disc,
                                        std::string& error) const {
  std::vector<std::string> paths;
  for (const TrackResult& track : tracks) paths.push_back(track.path);
  const std::string folder = RipSheetFolder(paths, FInput->folder);
  std::string base = folder + "/" + LogName();
  if (WriteLog(base, LogHeader(), tracks, disc, error).empty()) return {};
  // A sheet names tracks: the hidden audio alone makes none.
  if (std::all_of(tracks.begin(), tracks.end(), [](const TrackResult& track) { return IsHiddenAudioRow(track.number); }))
    return base + ".log";
  const std::string why = WriteCue(tracks);
  error = why.empty() ? std::string() : "the cue sheet could not be written: " + why;
  return base + ".log";
}

std::string RipAccuracy::WriteCue(const std::vector<TrackResult>& tracks) const {
  std::vector<std::string> paths;
  for (const TrackResult& track : tracks) paths.push_back(track.path);
  const std::string folder = RipSheetFolder(paths, FInput->folder);
  return ReplaceFileSayingWhy(folder + "/" + LogName() + ".cue",
                              RipCueSheet(CueDiscOf(*FInput, FIds.cddb), CueTracksOf(*FInput, tracks), folder),
                              LinkRule::OwnedOnly);
}

std::string RipAccuracy::WriteCancelledLog(const std::vector<TrackResult>& tracks, std::string& error) const {
  std::vector<std::string> paths;
  for (const TrackResult& track : tracks) paths.push_back(track.path);
  RipLogHeader header = LogHeader();
  header.cancelled = true;
  return WriteLog(RipSheetFolder(paths, FInput->folder) + "/" + LogName(), header, tracks, {}, error);
}

// The names are the job's own: another user's link at one is not written through.
std::string RipAccuracy::WriteLog(const std::string& base, const RipLogHeader& header,
                                  const std::vector<TrackResult>& tracks, const DiscVerdicts& disc,
                                  std::string& error) const {
  std::string why = ReplaceFileSayingWhy(base + ".log", RipLogText(header, tracks, disc), LinkRule::OwnedOnly);
  if (why.empty()) return base + ".log";
  error = "the rip log could not be written: " + why;
  return {};
}

RipLogHeader RipAccuracy::LogHeader() const {
  RipLogHeader header;
  header.drive = FInput->drive;
  header.image = CDReadsExactly(FInput->handle);
  header.offset = FInput->offset;
  header.offsetSource = FInput->offsetSource;
  header.readMode = RipReadModeName(FInput->values.readMode);
  header.testAndCopy = FInput->values.testAndCopy;
  header.gapDetection = FInput->gapDetection;
  ReleaseOf(FInput->rows, header.artist, header.album);
  header.metadataSource = FInput->metadataSource;
  header.toc = FInput->toc;
  header.cddbId = CddbDiscId(FInput->toc);
  header.musicBrainzId = MusicBrainzDiscId(FInput->toc);
  header.accurateRipFile = FIds.FileName();
  header.ctdbTocId = CtdbTocId(FInput->toc);
  header.coverArt = FInput->coverArt;
  return header;
}
