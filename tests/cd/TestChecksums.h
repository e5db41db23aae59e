#pragma once
// The checksums of a disc in a drive as the tests take them, and the CUETools database's entry they make.

#include <string>
#include <vector>

#include "cd/Ctdb.h"
#include "cd/CtdbToc.h"
#include "cd/DiscChecksums.h"
#include "tests/data/TestDiscs.h"

namespace testdata {

// Every audio track's checksums as the drive reads them at this read offset (which is then 0 again); none when
// the disc could not be read.
inline std::vector<AudioTrackChecksums> ChecksumsAt(HCDROM handle, const TableOfContents& toc, int offset) {
  SetCDReadOffset(handle, offset);
  std::vector<AudioTrackChecksums> tracks;
  std::vector<std::uint32_t> unreadable;
  std::string error;
  const bool read = ChecksumAudioTracks(handle, toc, tracks, unreadable, error);
  SetCDReadOffset(handle, 0);
  return read ? std::move(tracks) : std::vector<AudioTrackChecksums>{};
}

// An entry of the disc that holds these tracks' CRCs (or, as older entries do, only the disc's).
inline CtdbTestEntry CtdbEntryOf(const TableOfContents& toc, const std::vector<AudioTrackChecksums>& tracks,
                                 int confidence, bool trackCrcs = true) {
  CtdbTestEntry entry{0, confidence, CtdbTocText(toc), {}};
  std::vector<const CtdbTrackPart*> parts;
  for (const AudioTrackChecksums& track : tracks) {
    parts.push_back(&track.checksums.Ctdb());
    if (trackCrcs) entry.trackCrcs.push_back(track.checksums.Sums().ctdb);
  }
  entry.crc = CtdbDiscCrc(parts);
  return entry;
}

}  // namespace testdata
