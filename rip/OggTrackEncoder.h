#pragma once
// Ogg Vorbis files through the Vorbis sink, with the track's comments.

#include <cstdint>

#include "rip/TrackEncoder.h"

class OggTrackEncoder : public TrackEncoder {
 public:
  // delay: the sink's pause between blocks in milliseconds; quality: 0 to 1.
  OggTrackEncoder(std::int32_t delay, float quality) : FDelay(delay), FQuality(quality) {}
  // Throws EStreamError with the sink's message when the encoding fails.
  EncodeResult Encode(const std::string& wavPath, const std::string& outputPath, const TrackTags& tags,
                      const std::function<void(int)>& progress, const std::atomic<bool>& cancel) const override;
  std::string AddAlbumGain(const std::string& outputPath, const GainValues& album) const override;

 private:
  std::int32_t FDelay;
  float FQuality;
};
