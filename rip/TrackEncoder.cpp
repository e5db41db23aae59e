#include "rip/TrackEncoder.h"

std::string TrackEncoder::AddAlbumGain(const std::string& /*outputPath*/, const GainValues& /*album*/) const {
  return "files of this format cannot be tagged again once written";
}
