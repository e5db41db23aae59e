// Replies of the CUETools database: parsed, and where they parse, a track of silence judged against every
// entry as if it were the disc's (at every shift where none holds it as read), and the disc too.

#include <algorithm>
#include <cstdint>
#include <string>

#include "cd/CtdbReply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<CtdbEntry> entries;
  if (!ParseCtdbReply(std::string(reinterpret_cast<const char*>(data), size), entries)) return 0;
  std::uint8_t block[2352] = {};
  TrackChecksums checksums(588 * 40, true, true, 588 * 40);
  for (int i = 0; i < 40; ++i) checksums.Add(block, sizeof block);
  std::size_t tracks = 0;
  for (const CtdbEntry& entry : entries) tracks = std::max(tracks, entry.trackCrcs.size());
  std::vector<TrackVerdict> verdicts;
  // A few tracks are enough: each one that no entry holds costs a search over every shift.
  for (std::size_t track = 0; track < std::min<std::size_t>(tracks, 3); ++track)
    verdicts.push_back(VerifyCtdbTrack(entries, track, checksums.Ctdb(), [] { return AudioAround{}; }));
  CtdbDiscVerdictText(entries, {&checksums.Ctdb()}, verdicts);
  return 0;
}
