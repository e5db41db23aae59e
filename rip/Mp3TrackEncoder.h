#pragma once
// MP3 files through the encoder library, with the track's ID3v2 tag in front.

#include "platform/bladeenc/BladeEnc.h"
#include "rip/TrackEncoder.h"

class Mp3TrackEncoder : public TrackEncoder {
 public:
  explicit Mp3TrackEncoder(const BE_CONFIG& config) : FConfig(config) {}
  EncodeResult Encode(const std::string& wavPath, const std::string& outputPath, const TrackTags& tags,
                      const std::function<void(int)>& progress, const std::atomic<bool>& cancel) const override;
  std::string AddAlbumGain(const std::string& outputPath, const GainValues& album) const override;

 private:
  BE_CONFIG FConfig;
};
