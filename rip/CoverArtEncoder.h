#pragma once
// An encoder whose files carry the release's cover: it waits on its own thread for the cover being fetched
// beside the rip, so that the drive never waits for it, and gives each track's tags the cover before
// encoding with the format's own encoder.

#include <future>
#include <memory>

#include "cd/CoverArtClient.h"
#include "rip/TrackEncoder.h"

using PendingCoverArt = std::shared_future<std::shared_ptr<const CoverArtAnswer>>;

class CoverArtEncoder : public TrackEncoder {
 public:
  CoverArtEncoder(std::unique_ptr<TrackEncoder> encoder, PendingCoverArt cover);
  // A cancel while the cover is awaited cancels the track.
  EncodeResult Encode(const std::string& wavPath, const std::string& outputPath, const TrackTags& tags,
                      const std::function<void(int)>& progress, const std::atomic<bool>& cancel) const override;
  std::string AddAlbumGain(const std::string& outputPath, const GainValues& album) const override;

 private:
  std::unique_ptr<TrackEncoder> FEncoder;
  PendingCoverArt FCover;
};
