#include "rip/WavTrackEncoder.h"

#include <vector>

#include "acs/TFileStream.h"

EncodeResult WavTrackEncoder::Encode(const std::string& wavPath, const std::string& outputPath,
                                     const TrackTags& /*tags*/, const std::function<void(int)>& progress,
                                     const std::atomic<bool>& cancel) const {
  TFileStream in(wavPath, TFileStream::Mode::Read);
  TFileStream out(outputPath, TFileStream::Mode::Replace, LinkRule::OwnedOnly);
  const std::int64_t length = in.Size();
  std::vector<char> buffer(1 << 20);
  std::int64_t done = 0;
  for (std::int64_t got; !cancel && (got = in.Read(buffer.data(), std::int64_t(buffer.size()))) > 0;) {
    out.WriteBuffer(buffer.data(), got);
    done += got;
    progress(length > 0 ? static_cast<int>(done * 100 / length) : 100);
  }
  if (cancel) return {EncodeResult::Status::Cancelled, {}, false};
  if (!out.Commit()) throw EStreamError("Cannot create file " + outputPath);
  return {};
}

std::string WavTrackEncoder::AddAlbumGain(const std::string& /*outputPath*/, const GainValues& /*album*/) const {
  return {};
}
