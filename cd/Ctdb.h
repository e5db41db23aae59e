#pragma once
// The CUETools database's side of a rip: its entries for the disc, and the verdicts on each track and on the
// disc from their CRC-32s, as read and as read up to kCtdbShiftFrames later or earlier (a drive whose read
// offset is set wrongly).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cd/AccurateRip.h"
#include "cd/TrackChecksums.h"

struct CtdbEntry {
  std::uint32_t crc = 0;  // the disc's
  int confidence = 0;     // how many submissions hold it
  std::vector<std::uint32_t> trackCrcs;  // one per audio track; older entries have none
  std::string toc;        // the disc the entry is for, as CtdbTocText writes it
};

// The audio that a shifted read of a run of tracks takes in from beyond it: the PCM just before the run (its
// last frames count) and just after it (its first count), kCtdbShiftFrames frames of each or more, silence
// where the disc has no audio there.
struct AudioAround {
  std::vector<std::uint8_t> before;
  std::vector<std::uint8_t> after;
};
using AudioAroundOf = std::function<AudioAround()>;

// The CTDB CRC of a run of consecutive audio tracks (their parts in disc order) read shift frames later, at
// index shift + kCtdbShiftFrames for every shift from -kCtdbShiftFrames to +kCtdbShiftFrames; empty when the
// run is too short for it, or around lacks what the run needs.
std::vector<std::uint32_t> CtdbCrcsAtShifts(const std::vector<const CtdbTrackPart*>& run, const AudioAround& around);

// The disc's CTDB CRC from every audio track's part, in disc order.
std::uint32_t CtdbDiscCrc(const std::vector<const CtdbTrackPart*>& tracks);

// The verdict on audio track audioTrack (counted from 0 among the audio tracks) from the disc's entries:
// accurate where entries hold its CRC as read, with their confidence together; otherwise accurate with the
// offset nearest 0 at which entries hold it (the audio around the track is asked for only then); otherwise not
// accurate. Not verified where no entry holds track CRCs; not in database without entries.
TrackVerdict VerifyCtdbTrack(const std::vector<CtdbEntry>& entries, std::size_t audioTrack, const CtdbTrackPart& part,
                             const AudioAroundOf& around);

// What the disc's entries say of the disc: accurate (with an offset) where entries hold its CRC, else what the
// track verdicts say where entries hold track CRCs, else not accurate; tracks: every audio track's part in
// disc order, empty when not all of them were read (then the disc CRC is unknown).
std::string CtdbDiscVerdictText(const std::vector<CtdbEntry>& entries, const std::vector<const CtdbTrackPart*>& tracks,
                                const std::vector<TrackVerdict>& verdicts);

// A CTDB match as read that at least two submissions back.
bool ConfirmedByCtdb(const TrackVerdict& verdict);
