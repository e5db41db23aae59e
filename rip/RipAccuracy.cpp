#include "rip/RipAccuracy.h"

#include <cstdio>
#include <filesystem>

#include "platform/files/ReplacementFile.h"
#include "rip/RipCueSheet.h"
#include "rip/RipJob.h"
#include "rip/RipLog.h"

// A lookup still under way is given up: no job waits for an answer that is no longer asked for.
RipAccuracy::~RipAccuracy() {
  if (FGivenUp) *FGivenUp = true;
}

void RipAccuracy::Start(const RipInput& input) {
  if (FGivenUp) *FGivenUp = true;
  FInput = &input;
  FLooked = true;
  FLookup = DbarLookup{};
  if (input.toc.entries.empty()) return;
  FIds = AccurateRipIdsOf(input.toc);
  if (input.values.accurateRipServer.empty()) return;
  FLooked = false;
  AccurateRipClient client(input.values.accurateRipServer, input.values.cacheFolder);
  FGivenUp = std::make_shared<std::atomic<bool>>(false);
  FPending = std::async(std::launch::async, [client, ids = FIds, givenUp = FGivenUp] {
    return client.Look(ids, [givenUp] { return !givenUp->load(); });
  });
}

std::size_t RipAccuracy::AudioIndexOf(const RipRow& row) const {
  std::size_t index = 0;
  for (const TocEntry& entry : FInput->toc.entries)
    if (entry.start < row.start && entry.audio) ++index;
  return index;
}

TrackChecksums RipAccuracy::ChecksumsFor(const RipRow& row) const {
  std::size_t audioTracks = static_cast<std::size_t>(FIds.audioTracks);
  std::size_t index = FInput->toc.entries.empty() ? 0 : AudioIndexOf(row);
  bool last = FInput->toc.entries.empty() || index + 1 == audioTracks;
  return TrackChecksums(std::uint64_t(row.blocks) * 588, index == 0, last);
}

TrackVerdict RipAccuracy::Verify(const RipRow& row, const TrackChecksums& checksums,
                                 const std::function<bool()>& keepWaiting) {
  if (!FLooked) {
    while (FPending.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
      if (keepWaiting()) continue;
      *FGivenUp = true;
      return TrackVerdict{};
    }
    FLookup = FPending.get();
    FLooked = true;
  }
  if (FLookup.result == DbarLookup::Result::Failed || FInput->toc.entries.empty()) return TrackVerdict{};
  return VerifyTrack(FLookup.pressings, AudioIndexOf(row), checksums);
}

std::string RipAccuracy::WriteLogAndCue(const std::vector<TrackResult>& tracks, const std::string& discVerdict) const {
  char id[16];
  std::snprintf(id, sizeof id, "%08x", FIds.cddb);
  std::string name = FInput->album.empty() ? "Disc " + std::string(id) : FInput->album;
  std::string base = FInput->folder + "/" + name;
  RipLogHeader header{FInput->drive, FInput->offset, FInput->values.testAndCopy,
                      RipReadModeName(FInput->values.readMode), FIds.FileName()};
  if (!ReplaceFileWith(base + ".log", RipLogText(header, tracks, discVerdict))) return {};
  ReplaceFileWith(base + ".cue", RipCueSheet(tracks));
  return base + ".log";
}
