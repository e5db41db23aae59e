#pragma once
// WAV files beside other formats of one rip: the track's temporary WAV file is what a rip to WAV alone
// writes, so it is copied as it is.

#include "rip/TrackEncoder.h"

class WavTrackEncoder : public TrackEncoder {
 public:
  EncodeResult Encode(const std::string& wavPath, const std::string& outputPath, const TrackTags& tags,
                      const std::function<void(int)>& progress, const std::atomic<bool>& cancel) const override;
  // A WAV file has no tags: there is nothing to add.
  std::string AddAlbumGain(const std::string& outputPath, const GainValues& album) const override;
};
