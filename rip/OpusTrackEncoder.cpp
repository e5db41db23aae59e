#include "rip/OpusTrackEncoder.h"

#include "acs/ACS_Opus.h"
#include "acs/OggCommentPacket.h"
#include "acs/ACS_Wave.h"
#include "rip/SinkEncoding.h"
#include "rip/TrackTagging.h"

EncodeResult OpusTrackEncoder::Encode(const std::string& wavPath, const std::string& outputPath,
                                      const TrackTags& tags, const std::function<void(int)>& progress,
                                      const std::atomic<bool>& cancel) const {
  TWaveIn wave;
  wave.SetFileName(wavPath);
  TOpusOut opus;
  opus.SetInput(&wave);
  opus.SetDiscardStopped(true);  // a cancelled track leaves the earlier file of its name alone
  opus.SetFileName(outputPath);
  opus.SetLinkRule(LinkRule::OwnedOnly);
  opus.SetBitrate(FBitrate);
  opus.SetComments(OpusCommentsOf(tags));
  return RunSinkForTrack(opus, progress, cancel);
}

std::string OpusTrackEncoder::AddAlbumGain(const std::string& outputPath, const GainValues& album) const {
  try {
    RewriteSecondOggPacket(outputPath, [&](const OggPacket& packet) {
      return WithCommentFields(packet, "OpusTags", OpusAlbumGainFields(album));
    });
  } catch (const std::exception& error) {
    return error.what();
  }
  return {};
}
