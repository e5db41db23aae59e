#pragma once
// Opus files through the Opus sink, with the track's comments.

#include "rip/TrackEncoder.h"

class OpusTrackEncoder : public TrackEncoder {
 public:
  // bitrate: kbit/s.
  explicit OpusTrackEncoder(int bitrate) : FBitrate(bitrate) {}
  // Throws EStreamError with the sink's message when the encoding fails.
  EncodeResult Encode(const std::string& wavPath, const std::string& outputPath, const TrackTags& tags,
                      const std::function<void(int)>& progress, const std::atomic<bool>& cancel) const override;
  std::string AddAlbumGain(const std::string& outputPath, const GainValues& album) const override;

 private:
  int FBitrate;
};
