#include "platform/akrip32/PhysicalMedium.h"

#include <cdio/cdtext.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/akrip32/DiscSessions.h"
#include "platform/akrip32/GapDetector.h"

namespace {

bool ReadLayout(CdIo_t* cdio, DiscLayout& layout) {
  track_t first = cdio_get_first_track_num(cdio);
  track_t count = cdio_get_num_tracks(cdio);
  if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) return false;
  for (track_t t = first; t < first + count; ++t) {
    lsn_t start = cdio_get_track_lsn(cdio, t);
    if (start == CDIO_INVALID_LSN) return false;
    DiscTrack track{t, start, cdio_get_track_format(cdio, t) == TRACK_FORMAT_AUDIO};
    track.preEmphasis = cdio_get_track_preemphasis(cdio, t) == CDIO_TRACK_FLAG_TRUE;
    track.copyPermitted = cdio_get_track_copy_permit(cdio, t) == CDIO_TRACK_FLAG_TRUE;
    track.fourChannel = cdio_get_track_channels(cdio, t) == 4;
    layout.tracks.push_back(track);
  }
  layout.leadout = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
  ReadSessions(cdio, layout);
  return layout.leadout != CDIO_INVALID_LSN;
}

// libcdio's text, freed; empty when there is none.
std::string TakeText(char* text) {
  std::string taken = text == nullptr ? std::string() : std::string(text);
  std::free(text);
  return taken;
}

// A field of the first language block; a lone tab stands for the same text as the track before.
std::string TextField(const cdtext_t* cdtext, cdtext_field_t field, track_t track, const std::string& before) {
  const char* text = cdtext_get_const(cdtext, field, track);
  if (text == nullptr) return {};
  if (std::string(text) == "\t") return before;
  return SafeDiscText(text);
}

DiscTextEntry TextEntry(const cdtext_t* cdtext, track_t track, const DiscTextEntry& before) {
  return {TextField(cdtext, CDTEXT_FIELD_TITLE, track, before.title),
          TextField(cdtext, CDTEXT_FIELD_PERFORMER, track, before.performer),
          TextField(cdtext, CDTEXT_FIELD_SONGWRITER, track, before.songwriter)};
}

}  // namespace

std::unique_ptr<PhysicalMedium> PhysicalMedium::Open(CdIo_t* cdio, std::unique_ptr<SectorReader> reader) {
  DiscLayout layout;
  if (!ReadLayout(cdio, layout)) {
    cdio_destroy(cdio);
    return nullptr;
  }
  return std::unique_ptr<PhysicalMedium>(new PhysicalMedium(cdio, std::move(layout), std::move(reader)));
}

PhysicalMedium::PhysicalMedium(CdIo_t* cdio, DiscLayout layout, std::unique_ptr<SectorReader> reader)
    : FCdio(cdio), FLayout(std::move(layout)), FReader(std::move(reader)), FSecure(*FReader, FLayout) {}

PhysicalMedium::~PhysicalMedium() {
  FReader.reset();
  cdio_destroy(FCdio);
}

// Asked of the drive once, when first wanted: each ISRC takes a command of its own. A drive tells no pregap
// from its TOC, so pregaps stay unknown unless libcdio knows one or DetectGaps found them.
DiscCodes PhysicalMedium::Codes() {
  if (FCodes) return *FCodes;
  DiscCodes codes;
  std::string catalog = TakeText(cdio_get_mcn(FCdio));
  if (IsCatalogNumber(catalog)) codes.catalog = catalog;
  for (const DiscTrack& track : FLayout.tracks) {
    std::string isrc = track.audio ? TakeText(cdio_get_track_isrc(FCdio, static_cast<track_t>(track.number))) : "";
    codes.isrcs.push_back(IsIsrc(isrc) ? isrc : "");
    lsn_t pregap = cdio_get_track_pregap_lsn(FCdio, static_cast<track_t>(track.number));
    codes.pregaps.push_back(pregap != CDIO_INVALID_LSN && pregap < track.start ? pregap : -1);
  }
  FCodes = codes;
  return codes;
}

// Read from the drive once, when first wanted; libcdio keeps it with the handle.
DiscText PhysicalMedium::Text() {
  if (FText) return *FText;
  DiscText text;
  cdtext_t* cdtext = cdio_get_cdtext(FCdio);
  if (cdtext != nullptr) {
    cdtext_set_language_index(cdtext, 0);
    text.disc = TextEntry(cdtext, 0, {});
    DiscTextEntry before;
    for (const DiscTrack& track : FLayout.tracks) {
      before = TextEntry(cdtext, static_cast<track_t>(track.number), before);
      text.tracks.push_back(before);
    }
  }
  FText = text;
  return text;
}

// A pregap the Q sub-channel proves replaces libcdio's; where it proves none, the track has none.
GapDetection PhysicalMedium::DetectGaps(const GapProgress& progress, const std::atomic<bool>* cancel) {
  if (FGaps) return *FGaps;
  DiscCodes codes = Codes();
  GapDetector::Result found = GapDetector(*FReader, FLayout).Detect(progress, cancel);
  if (found.how == GapDetection::Cancelled) return found.how;
  for (std::size_t i = 0; i < found.index0.size() && i < codes.pregaps.size(); ++i)
    if (found.index0[i]) codes.pregaps[i] = *found.index0[i] < FLayout.tracks[i].start ? *found.index0[i] : -1;
  FCodes = codes;
  FGaps = found.how;
  return found.how;
}

void PhysicalMedium::SetBlockTimeLimit(std::chrono::milliseconds limit) { SecureReader::SetBlockTimeLimit(limit); }

void PhysicalMedium::SetReadMode(ReadMode mode) {
  FMode = mode;
  FSecure.Forget();
}

BlockRead PhysicalMedium::ReadBlocks(std::int32_t lba, std::int32_t count, std::uint8_t* out,
                                     const std::atomic<bool>* cancel) {
  BlockRead result;
  FReader->SetCancel(cancel);
  if (cancel != nullptr && cancel->load()) {
    result.delivered = false;
    result.cancelled = true;
    return result;
  }
  const bool burst = FMode != ReadMode::Secure;
  if (burst && ReadBurst(lba, count, out)) FSecure.Delivered(lba, count, out, {});
  else result = FSecure.Read(lba, count, ReadAhead(lba, count), FMode == ReadMode::QuickBurst, out, cancel);
  Remember(lba, count, out, result);
  return result;
}

bool PhysicalMedium::ReadBurst(std::int32_t lba, std::int32_t count, std::uint8_t* out) {
  const bool overlap = lba == FNext && lba > 0;
  const long total = count + (overlap ? 1 : 0);
  std::vector<std::uint8_t> read(static_cast<std::size_t>(total) * CD_BLOCK_BYTES);
  if (FReader->Read(read.data(), lba - (overlap ? 1 : 0), total) != total) return false;
  const std::uint8_t* data = read.data() + (overlap ? CD_BLOCK_BYTES : 0);
  const std::uint8_t* last = data + static_cast<std::size_t>(count - 1) * CD_BLOCK_BYTES;
  if (overlap) {
    // A read that starts a little off (jitter) does not give the block before it as it was.
    if (std::memcmp(read.data(), FLast.data(), CD_BLOCK_BYTES) != 0) return false;
  } else {
    Block again;
    if (FReader->Read(again.data(), lba + count - 1, 1) != 1 || std::memcmp(again.data(), last, CD_BLOCK_BYTES) != 0)
      return false;
  }
  std::memcpy(out, data, static_cast<std::size_t>(count) * CD_BLOCK_BYTES);
  return true;
}

// A secure read reads on to the end of the track it starts in, so that the two reads of each block lie a whole
// window apart; a burst read that falls back on it reads no more than was asked.
std::int32_t PhysicalMedium::ReadAhead(std::int32_t lba, std::int32_t count) const {
  if (FMode != ReadMode::Secure) return lba + count;
  std::int32_t end = lba + count;
  for (std::size_t i = 0; i < FLayout.tracks.size(); ++i)
    if (FLayout.tracks[i].start <= lba && lba < FLayout.AudioEnd(i)) end = std::max(end, FLayout.AudioEnd(i));
  return end;
}

void PhysicalMedium::Remember(std::int32_t lba, std::int32_t count, const std::uint8_t* out, const BlockRead& result) {
  const std::int32_t last = lba + count - 1;
  if (!result.delivered || (!result.unreadable.empty() && result.unreadable.back() == last)) {
    FNext = -1;
    return;
  }
  std::memcpy(FLast.data(), out + static_cast<std::size_t>(count - 1) * CD_BLOCK_BYTES, CD_BLOCK_BYTES);
  FNext = lba + count;
}
