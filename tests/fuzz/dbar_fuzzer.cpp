// dBAR replies from the AccurateRip server: parsed for the disc their first header names (so that the
// headers can fit), then every track judged against the pressings.

#include <cstdint>
#include <string>

#include "cd/AccurateRip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  AccurateRipIds ids;
  if (size >= 13) {
    auto le32 = [&](std::size_t at) {
      return std::uint32_t(data[at]) | std::uint32_t(data[at + 1]) << 8 | std::uint32_t(data[at + 2]) << 16 |
             std::uint32_t(data[at + 3]) << 24;
    };
    ids.audioTracks = data[0];
    ids.id1 = le32(1);
    ids.id2 = le32(5);
    ids.cddb = le32(9);
  }
  std::vector<DbarPressing> pressings;
  if (!ParseDbar(bytes, ids, pressings)) return 0;
  std::uint8_t block[2352] = {};
  TrackChecksums checksums(588 * 460, true, true, 588 * 460);
  for (int i = 0; i < 460; ++i) checksums.Add(block, sizeof block);
  for (int track = 0; track < ids.audioTracks; ++track)
    VerifyTrack(pressings, static_cast<std::size_t>(track), checksums, nullptr).Text();
  return 0;
}
