#pragma once
// Where each track's pregap (INDEX 00) starts, from the Q sub-channel: for an audio track after audio of the
// same session, a binary search of the previous track for the first block whose Q names this track. A block
// whose Q cannot be read is stepped around; a pregap is only given where blocks read on both sides of it
// prove it, else it stays unknown. The search is bounded in drive reads per track and in time per disc.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/akrip32/CdMedium.h"
#include "platform/akrip32/SectorReader.h"

class GapDetector {
 public:
  struct Result {
    GapDetection how = GapDetection::NotSupported;
    // Per track of the layout, where proved: the block of its INDEX 00, its start when it has no pregap.
    std::vector<std::optional<std::int32_t>> index0;
  };

  static constexpr int kReadsPerTrack = 64;
  static constexpr int kNeighbours = 4;  // blocks tried on each side of one whose Q cannot be read

  GapDetector(SectorReader& reader, const DiscLayout& layout);
  Result Detect(const GapProgress& progress, const std::atomic<bool>* cancel);

  // How long one disc may be searched (at first 2 minutes); tests shorten it.
  static void SetTimeLimit(std::chrono::milliseconds limit);

 private:
  enum class Side { Before, Gap, Unknown };
  struct Probe {
    std::int32_t block;
    Side side;
  };

  bool Searched(std::size_t index) const;
  std::optional<std::int32_t> Search(std::size_t index);
  std::optional<Probe> ProbeNear(std::int32_t block, std::int32_t low, std::int32_t high, std::size_t index);
  Side SideOf(std::int32_t block, std::size_t index);
  bool Stopped();

  SectorReader& FReader;
  const DiscLayout& FLayout;
  const std::atomic<bool>* FCancel = nullptr;
  std::chrono::steady_clock::time_point FDeadline;
  int FReads = 0;  // of the track being searched
  bool FSupported = true;
};
