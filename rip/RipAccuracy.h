#pragma once
// What a rip proves of the tracks it writes: each track's checksums taken as it is read, its AccurateRip
// verdict (the disc's dBAR file is looked up on a thread of its own while the first track is read), and at
// the end the rip log and a cue sheet beside the files.

#include <atomic>
#include <functional>
#include <memory>
#include <future>
#include <string>
#include <vector>

#include "cd/AccurateRip.h"
#include "cd/AccurateRipClient.h"
#include "cd/TrackChecksums.h"

struct RipInput;
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
  TrackVerdict verdict;
  std::string readPath;  // how the track was read in the end, and what that proves
  bool fromImage = false;  // read from an image file, which has no way of reading to tell
};

class RipAccuracy {
 public:
  RipAccuracy() = default;
  ~RipAccuracy();
  RipAccuracy(const RipAccuracy&) = delete;
  RipAccuracy& operator=(const RipAccuracy&) = delete;
  // Starts the lookup of the input's disc; a job without a table of contents or server is not verified.
  void Start(const RipInput& input);
  TrackChecksums ChecksumsFor(const RipRow& row) const;
  // Waits for the lookup, asking keepWaiting meanwhile, and judges the track; not verified when keepWaiting
  // said no, which also gives the lookup up.
  TrackVerdict Verify(const RipRow& row, const TrackChecksums& checksums, const TrackAudio& audio,
                      const std::function<bool()>& keepWaiting);
  // Why the lookup failed; empty when it answered or was not made.
  const std::string& LookupError() const { return FLookup.error; }
  // Writes FOLDER/NAME.log and FOLDER/NAME.cue for the finished tracks; returns the log's path, or an empty
  // string when it could not be written.
  std::string WriteLogAndCue(const std::vector<TrackResult>& tracks, const std::string& discVerdict) const;

 private:
  std::size_t AudioIndexOf(const RipRow& row) const;
  std::size_t DiscIndexOf(const RipRow& row) const;
  std::string LogName() const;
  std::vector<ShiftedTrackSums::Sums> SumsAt(const RipRow& row, const TrackAudio& audio, const std::vector<int>& shifts) const;

  const RipInput* FInput = nullptr;
  AccurateRipIds FIds;
  std::future<DbarLookup> FPending;
  std::shared_ptr<std::atomic<bool>> FGivenUp;  // the pending lookup's
  DbarLookup FLookup;
  bool FLooked = false;
  std::vector<int> FDiscOffsets;  // offsets at which tracks of this disc proved out
};
