#pragma once
// What a rip proves of the tracks it writes: each track's checksums taken as it is read, its AccurateRip and
// CUETools database verdicts (each database is looked up on a thread of its own while the first track is
// read), and at the end the rip log and a cue sheet beside the files.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cd/AccurateRip.h"
#include "cd/AccurateRipClient.h"
#include "cd/Ctdb.h"
#include "cd/CtdbClient.h"
#include "cd/TrackChecksums.h"
#include "rip/PendingLookup.h"
#include "rip/ReplayGain.h"

struct RipInput;
struct RipLogHeader;
struct RipRow;
class TFileStream;

// What proving a track read at another offset reads again: the track as it was read (its WAV file, the audio
// after the header), and blocks of the disc around it (silence where the disc has no audio).
struct TrackAudio {
  TFileStream* file = nullptr;
  std::function<void(std::int64_t firstBlock, std::int32_t blocks, std::uint8_t* out)> readDisc;
};

struct TrackResult {
  std::string number;  // two digits
  std::string path;
  std::uint32_t blocks = 0;
  TrackSums sums;
  bool tested = false;  // read twice: test and copy
  std::uint32_t testCrc = 0;
  bool reliable = true;  // the reads of a test and copy agreed
  std::vector<std::uint32_t> unreadable;  // blocks from the track's start
  TrackVerdict verdict;      // AccurateRip's
  TrackVerdict ctdbVerdict;  // the CUETools database's
  std::string readPath;  // how the track was read in the end, and what that proves
  bool fromImage = false;  // read from an image file, which has no way of reading to tell
  bool deEmphasised = false;  // the encoded file holds the track's audio de-emphasised, its sums the disc's own
  std::optional<GainValues> replayGain{};  // of the audio as read; none for silence
  std::string albumGainProblem;  // why the file could not be given the album's ReplayGain; empty: no problem
  std::vector<std::string> morePaths;  // the track's files of a rip's other formats
};

struct TrackVerdicts {
  TrackVerdict accurateRip;
  TrackVerdict ctdb;
};

// What each database says of the disc, with why its lookup failed where it did.
struct DiscVerdicts {
  std::string accurateRip;
  std::string ctdb;
  std::optional<GainValues> albumReplayGain{};  // when the job ripped every audio track of the disc
};

class RipAccuracy {
 public:
  RipAccuracy() = default;
  RipAccuracy(const RipAccuracy&) = delete;
  RipAccuracy& operator=(const RipAccuracy&) = delete;
  // Starts the lookups of the input's disc; a job without a table of contents is not verified, nor by a
  // database without a server.
  void Start(const RipInput& input);
  TrackChecksums ChecksumsFor(const RipRow& row) const;
  // Waits for the lookups, asking keepWaiting meanwhile, and judges the track; not verified when keepWaiting
  // said no, which also gives the lookups up.
  TrackVerdicts Verify(const RipRow& row, const TrackChecksums& checksums, const TrackAudio& audio,
                       const std::function<bool()>& keepWaiting);
  // The disc's verdicts from the finished tracks'.
  DiscVerdicts DiscVerdictsOf(const std::vector<TrackResult>& tracks) const;
  // Writes FOLDER/NAME.log and FOLDER/NAME.cue for the finished tracks; returns the log's path, or an empty
  // string when it could not be written. error says what could not be written and why; empty when both were.
  std::string WriteLogAndCue(const std::vector<TrackResult>& tracks, const DiscVerdicts& disc,
                             std::string& error) const;
  // FOLDER/NAME.cue of the tracks' files in FOLDER alone; empty when written, else why not.
  std::string WriteCue(const std::vector<TrackResult>& tracks) const;
  // After a cancel: FOLDER/NAME.log of the tracks finished before it, saying so; no cue sheet, no disc verdict.
  std::string WriteCancelledLog(const std::vector<TrackResult>& tracks, std::string& error) const;
  // The name the log, the cue sheet and the play list share, without an extension.
  std::string SheetName() const { return LogName(); }

 private:
  std::size_t AudioIndexOf(const RipRow& row) const;
  std::size_t DiscIndexOf(const RipRow& row) const;
  std::string LogName() const;
  RipLogHeader LogHeader() const;
  // The log's path, empty when it could not be written (and error says why).
  std::string WriteLog(const std::string& base, const RipLogHeader& header, const std::vector<TrackResult>& tracks,
                       const DiscVerdicts& disc, std::string& error) const;
  std::vector<ShiftedTrackSums::Sums> SumsAt(const RipRow& row, const TrackAudio& audio, const std::vector<int>& shifts) const;
  AudioAround AroundOf(const RipRow& row, const TrackAudio& audio) const;

  const RipInput* FInput = nullptr;
  AccurateRipIds FIds;
  PendingLookup<DbarLookup> FAccurateRip;
  PendingLookup<CtdbLookup> FCtdb;
  std::vector<int> FDiscOffsets;  // offsets at which tracks of this disc proved out
  std::vector<std::optional<CtdbTrackPart>> FCtdbParts;  // each audio track's, as last verified
};
