#include "cd/ShiftedTrackSums.h"

#include <algorithm>
#include <cstring>

ShiftedTrackSums::ShiftedTrackSums(std::uint64_t trackFrames, bool firstAudioTrack, bool lastAudioTrack,
                                   const std::vector<int>& shifts)
    : FTrackFrames(trackFrames) {
  // The disc's first and last audio track leave out five blocks at their ends, as TrackChecksums does.
  const std::uint64_t search = TrackChecksums::kSearchFrames;
  FFirstCounted = firstAudioTrack ? search - 1 : 0;
  FEndCounted = lastAudioTrack ? (trackFrames > search ? trackFrames - search : 0) : trackFrames;
  for (int shift : shifts) FSums.push_back({shift, 0, 0});
}

void ShiftedTrackSums::Add(const std::uint8_t* pcm, std::size_t bytes) {
  const std::uint64_t first = FPosition, end = FPosition + bytes / 4;
  for (Sums& sums : FSums) {
    // Track frame i of the shifted read is stream frame i + kSearchFrames + shift.
    const std::int64_t origin = TrackChecksums::kSearchFrames + sums.shift;
    const std::int64_t from = std::max<std::int64_t>(std::int64_t(first), origin + std::int64_t(FFirstCounted));
    const std::int64_t to = std::min<std::int64_t>(std::int64_t(end), origin + std::int64_t(FEndCounted));
    for (std::int64_t frame = from; frame < to; ++frame) {
      std::uint32_t word;
      std::memcpy(&word, pcm + (frame - std::int64_t(first)) * 4, 4);
      const std::uint64_t product = std::uint64_t(word) * std::uint64_t(frame - origin + 1);
      sums.v1 += static_cast<std::uint32_t>(product);
      sums.v2 += static_cast<std::uint32_t>(product) + static_cast<std::uint32_t>(product >> 32);
    }
  }
  FPosition = end;
}
