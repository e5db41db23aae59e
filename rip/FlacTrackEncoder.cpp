#include "rip/FlacTrackEncoder.h"

#include "acs/ACS_FLAC.h"
#include "acs/FlacComments.h"
#include "acs/ACS_Wave.h"
#include "rip/CoverPicture.h"
#include "rip/SinkEncoding.h"
#include "rip/TrackTagging.h"

namespace {

FlacPicture FlacPictureOf(const CoverArt& art) {
  PictureSize size = PictureSizeOf(art);
  return {art.mimeType, art.bytes, size.width, size.height, size.depth};
}

}  // namespace

EncodeResult FlacTrackEncoder::Encode(const std::string& wavPath, const std::string& outputPath,
                                      const TrackTags& tags, const std::function<void(int)>& progress,
                                      const std::atomic<bool>& cancel) const {
  TWaveIn wave;
  wave.SetFileName(wavPath);
  TFLACOut flac;
  flac.SetInput(&wave);
  flac.SetDiscardStopped(true);  // a cancelled track leaves the earlier file of its name alone
  flac.SetFileName(outputPath);
  flac.SetLinkRule(LinkRule::OwnedOnly);
  flac.SetCompressionLevel(FLevel);
  flac.SetComments(VorbisCommentsOf(tags));
  if (tags.cover) flac.SetPicture(FlacPictureOf(*tags.cover));
  return RunSinkForTrack(flac, progress, cancel);
}

std::string FlacTrackEncoder::AddAlbumGain(const std::string& outputPath, const GainValues& album) const {
  try {
    SetFlacCommentFields(outputPath, AlbumGainFields(album));
  } catch (const std::exception& error) {
    return error.what();
  }
  return {};
}
