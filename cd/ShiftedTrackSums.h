#pragma once
// A track's AccurateRip v1 and v2 sums as a drive gives them that reads the disc some frames later (or, for a
// negative shift, earlier): for a few such shifts at once, fed the track with the kSearchFrames frames of the
// disc before and after it (silence where the disc has no audio there), in order, in whole frames.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "cd/TrackChecksums.h"

class ShiftedTrackSums {
 public:
  struct Sums {
    int shift = 0;
    std::uint32_t v1 = 0;
    std::uint32_t v2 = 0;
  };

  ShiftedTrackSums(std::uint64_t trackFrames, bool firstAudioTrack, bool lastAudioTrack, const std::vector<int>& shifts);
  void Add(const std::uint8_t* pcm, std::size_t bytes);
  // The frames the stream holds in all: the track's and those around it.
  std::uint64_t StreamFrames() const { return FTrackFrames + 2 * std::uint64_t(TrackChecksums::kSearchFrames); }
  const std::vector<Sums>& Result() const { return FSums; }

 private:
  std::uint64_t FTrackFrames;
  std::uint64_t FFirstCounted;  // track frames (from 0) that count: [first, end)
  std::uint64_t FEndCounted;
  std::uint64_t FPosition = 0;  // stream frames taken so far
  std::vector<Sums> FSums;
};
