#include "rip/CoverArtEncoder.h"

#include <chrono>

CoverArtEncoder::CoverArtEncoder(std::unique_ptr<TrackEncoder> encoder, PendingCoverArt cover)
    : FEncoder(std::move(encoder)), FCover(std::move(cover)) {}

EncodeResult CoverArtEncoder::Encode(const std::string& wavPath, const std::string& outputPath, const TrackTags& tags,
                                     const std::function<void(int)>& progress, const std::atomic<bool>& cancel) const {
  PendingCoverArt cover = FCover;  // each thread waits through a copy of its own
  while (cover.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
    if (cancel) return {EncodeResult::Status::Cancelled, {}, false};
  const std::shared_ptr<const CoverArtAnswer>& answer = cover.get();
  if (!answer->art) return FEncoder->Encode(wavPath, outputPath, tags, progress, cancel);
  TrackTags withCover = tags;
  withCover.cover = std::shared_ptr<const CoverArt>(answer, &*answer->art);
  return FEncoder->Encode(wavPath, outputPath, withCover, progress, cancel);
}

std::string CoverArtEncoder::AddAlbumGain(const std::string& outputPath, const GainValues& album) const {
  return FEncoder->AddAlbumGain(outputPath, album);
}
