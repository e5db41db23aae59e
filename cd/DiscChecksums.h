#pragma once
// The checksums of every audio track of the disc in an open drive, read as a rip reads it (the drive's
// read offset set on the handle applies), without writing any audio.

#include <functional>
#include <string>
#include <vector>

#include "cd/AccurateRip.h"
#include "cd/Ctdb.h"
#include "cd/TableOfContents.h"
#include "cd/TrackChecksums.h"
#include "platform/akrip32/akrip32.h"

struct AudioTrackChecksums {
  int number = 0;
  TrackChecksums checksums;
};

// False with a reason when the disc could not be read; blocks that could not be read count as silence and
// are named in unreadable (disc addresses).
bool ChecksumAudioTracks(HCDROM handle, const TableOfContents& toc, std::vector<AudioTrackChecksums>& tracks,
                         std::vector<std::uint32_t>& unreadable, std::string& error);

// The checksums of the audio track at table-of-contents entry k read only as far as its block-450 sums at every
// shift need (kBlocksFor450, or the whole of a shorter track); false when the disc could not be read.
constexpr std::uint32_t kBlocksFor450 = 456;
bool ChecksumTrackTo450(HCDROM handle, const TableOfContents& toc, int k, TrackChecksums& checksums);

// The whole-track sums at shifts of the audio track at table-of-contents entry k (firstAudio, lastAudio: the
// disc's first or last audio track), read again from the drive with the blocks on either side that the shifts
// take in. keepGoing, when set, is asked between reads: false ends the reading, and the sums are none.
ShiftedSumsOf ShiftedSumsFromDrive(HCDROM handle, const TableOfContents& toc, int k, bool firstAudio, bool lastAudio,
                                   std::function<bool()> keepGoing = {});

// The audio around the track at table-of-contents entry k that its CTDB CRC at other shifts takes in, read
// from the drive: five blocks on either side.
AudioAroundOf AudioAroundFromDrive(HCDROM handle, const TableOfContents& toc, int k);
