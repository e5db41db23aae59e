#pragma once
// What a rip proves of the tracks it writes: each track's checksums taken as it is read, its AccurateRip
// verdict (the disc's dBAR file is looked up on a thread of its own while the first track is read), and at
// the end the rip log and a cue sheet beside the files.

#include <functional>
#include <future>
#include <string>
#include <vector>

#include "cd/AccurateRip.h"
#include "cd/AccurateRipClient.h"
#include "cd/TrackChecksums.h"

struct RipInput;
struct RipRow;

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
};

class RipAccuracy {
 public:
  // Starts the lookup of the input's disc; a job without a table of contents or server is not verified.
  void Start(const RipInput& input);
  TrackChecksums ChecksumsFor(const RipRow& row) const;
  // Waits for the lookup, calling pump meanwhile, and judges the track.
  TrackVerdict Verify(const RipRow& row, const TrackChecksums& checksums, const std::function<void()>& pump);
  // Why the lookup failed; empty when it answered or was not made.
  const std::string& LookupError() const { return FLookup.error; }
  // Writes FOLDER/NAME.log and FOLDER/NAME.cue for the finished tracks; returns the log's path, or an empty
  // string when it could not be written.
  std::string WriteLogAndCue(const std::vector<TrackResult>& tracks, const std::string& discVerdict) const;

 private:
  std::size_t AudioIndexOf(const RipRow& row) const;

  const RipInput* FInput = nullptr;
  AccurateRipIds FIds;
  std::future<DbarLookup> FPending;
  DbarLookup FLookup;
  bool FLooked = false;
};
