#pragma once
// FLAC files through the FLAC sink (verified encoding, MD5 sum of the audio), with the track's comments.

#include "rip/TrackEncoder.h"

class FlacTrackEncoder : public TrackEncoder {
 public:
  // level: 0 (fastest) to 8 (smallest).
  explicit FlacTrackEncoder(int level) : FLevel(level) {}
  // Throws EStreamError with the sink's message when the encoding fails.
  EncodeResult Encode(const std::string& wavPath, const std::string& outputPath, const TrackTags& tags,
                      const std::function<void(int)>& progress, const std::atomic<bool>& cancel) const override;
  std::string AddAlbumGain(const std::string& outputPath, const GainValues& album) const override;

 private:
  int FLevel;
};
