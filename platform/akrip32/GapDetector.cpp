#include "platform/akrip32/GapDetector.h"

namespace {

std::atomic<std::chrono::milliseconds::rep> gTimeLimit{120000};

}  // namespace

GapDetector::GapDetector(SectorReader& reader, const DiscLayout& layout) : FReader(reader), FLayout(layout) {}

void GapDetector::SetTimeLimit(std::chrono::milliseconds limit) { gTimeLimit = limit.count(); }

GapDetector::Result GapDetector::Detect(const GapProgress& progress, const std::atomic<bool>* cancel) {
  FCancel = cancel;
  FDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(gTimeLimit.load());
  FSupported = true;
  const std::vector<DiscTrack>& tracks = FLayout.tracks;
  Result result{GapDetection::QSubchannel, std::vector<std::optional<std::int32_t>>(tracks.size())};
  for (std::size_t i = 1; i < tracks.size(); ++i) {
    if (!Searched(i)) continue;
    if (progress) progress(tracks[i].number, tracks.back().number);
    result.index0[i] = Search(i);
    if (!FSupported) return {GapDetection::NotSupported, std::vector<std::optional<std::int32_t>>(tracks.size())};
    if (FCancel != nullptr && FCancel->load())
      return {GapDetection::Cancelled, std::vector<std::optional<std::int32_t>>(tracks.size())};
  }
  return result;
}

// Only audio after audio of the same session has a pregap that lies in the track before it.
bool GapDetector::Searched(std::size_t index) const {
  const DiscTrack& track = FLayout.tracks[index];
  const DiscTrack& previous = FLayout.tracks[index - 1];
  return track.audio && previous.audio && track.session == previous.session;
}

// Between low, a block of the previous track, and high, one of this track (its start, by the TOC, or one whose
// Q says INDEX 00), lies the change; the search ends when they are neighbours.
std::optional<std::int32_t> GapDetector::Search(std::size_t index) {
  FReads = 0;
  std::int32_t low = FLayout.tracks[index - 1].start;
  std::int32_t high = FLayout.tracks[index].start;
  // Most tracks have no pregap: the block before the start, asked first, proves that at once.
  std::int32_t next = high - 1;
  while (high - low > 1) {
    std::optional<Probe> probe = ProbeNear(next, low, high, index);
    if (!probe) return std::nullopt;
    (probe->side == Side::Before ? low : high) = probe->block;
    next = low + (high - low) / 2;
  }
  return high;
}

// The block, or the nearest one to it strictly between low and high whose Q tells a side; none when the
// blocks around it cannot tell or the search must stop.
std::optional<GapDetector::Probe> GapDetector::ProbeNear(std::int32_t block, std::int32_t low, std::int32_t high,
                                                         std::size_t index) {
  // The block itself, then one after it, one before it, two after it, and so on.
  for (int step = 0; step <= 2 * kNeighbours; ++step) {
    std::int32_t candidate = block + (step % 2 == 1 ? (step + 1) / 2 : -(step / 2));
    if (candidate <= low || candidate >= high) continue;
    if (Stopped()) return std::nullopt;
    Side side = SideOf(candidate, index);
    if (side != Side::Unknown) return Probe{candidate, side};
  }
  return std::nullopt;
}

// A Q that names neither the previous track nor this track's INDEX 00 tells nothing, as one that cannot be read.
GapDetector::Side GapDetector::SideOf(std::int32_t block, std::size_t index) {
  ++FReads;
  QPosition q = FReader.ReadQ(block);
  if (q.status == QPosition::Status::NotSupported) FSupported = false;
  if (q.status != QPosition::Status::Valid) return Side::Unknown;
  if (q.track == FLayout.tracks[index - 1].number) return Side::Before;
  if (q.track == FLayout.tracks[index].number && q.index == 0) return Side::Gap;
  return Side::Unknown;
}

bool GapDetector::Stopped() {
  return !FSupported || FReads >= kReadsPerTrack || (FCancel != nullptr && FCancel->load()) ||
         std::chrono::steady_clock::now() >= FDeadline;
}
