#include "rip/OggTrackEncoder.h"

#include "acs/ACS_Vorbis.h"
#include "acs/OggCommentPacket.h"
#include "acs/ACS_Wave.h"
#include "rip/SinkEncoding.h"
#include "rip/TrackTagging.h"

EncodeResult OggTrackEncoder::Encode(const std::string& wavPath, const std::string& outputPath, const TrackTags& tags,
                                     const std::function<void(int)>& progress,
                                     const std::atomic<bool>& cancel) const {
  TWaveIn wave;
  wave.SetLoop(false);
  wave.SetFileName(wavPath);
  TVorbisOut vorbis;
  vorbis.SetInput(&wave);
  vorbis.SetSuspendWhenIdle(false);
  vorbis.SetDiscardStopped(true);  // a cancelled track leaves the earlier file of its name alone
  vorbis.SetDelay(FDelay);
  vorbis.SetFileName(outputPath);
  vorbis.SetLinkRule(LinkRule::OwnedOnly);
  vorbis.SetCompression(FQuality);
  std::vector<std::string> comments = VorbisCommentsOf(tags);
  if (tags.cover) comments.push_back(VorbisPictureComment(tags));
  vorbis.SetComments(comments);
  return RunSinkForTrack(vorbis, progress, cancel);
}

std::string OggTrackEncoder::AddAlbumGain(const std::string& outputPath, const GainValues& album) const {
  try {
    RewriteSecondOggPacket(outputPath, [&](const OggPacket& packet) {
      return WithCommentFields(packet, std::string("\x03vorbis", 7), AlbumGainFields(album));
    });
  } catch (const std::exception& error) {
    return error.what();
  }
  return {};
}
