#pragma once
// Drives made of libcdio's image drivers (a BIN/CUE or cdrdao image standing in for the disc), read through a
// reader that fails as the test tells it: the drive the program uses, broken on purpose.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/akrip32/akrip32.h"

namespace testdata {

// One track of an image: audio with its samples, or a data track of so many blocks.
struct DriveTrack {
  std::vector<std::int16_t> audio;  // interleaved stereo, whole blocks
  std::int32_t dataBlocks = 0;      // a data track when not 0
  bool sameSession = false;         // a data track after audio that stays in the audio's session
  std::int32_t index1 = 0;          // blocks of its audio before its INDEX 01 (its INDEX 00 is its start)
};

enum class DriveImageForm { BinCue, Cdrdao };

// Writes FOLDER/disc.bin with its sheet (disc.cue or disc.toc) and returns the sheet's path. A data track that
// follows audio starts a second session unless it is in the same session: the gap between them is filled
// with bytes that are not audio. A CUE sheet names each track's session; a cdrdao sheet cannot.
std::string WriteDriveImage(const std::filesystem::path& folder, const std::vector<DriveTrack>& tracks,
                            DriveImageForm form);

// What the drive does wrong; may be changed while it is read.
struct DriveFaults {
  std::map<std::int32_t, int> unreadable;  // sector: reads that fail before one succeeds, -1 for all
  std::set<std::int32_t> jitter;           // a read that holds one of these starts a few samples off
  std::set<std::int32_t> jitterOnce;       // the same, for the first read that holds one of these only
  std::set<std::int32_t> noisy;            // these read differently every time, without an error
  std::set<std::int32_t> garbage;          // these read wrong, the same way every time, without an error
  int cacheBlocks = 0;                     // a drive that reads ahead into a cache of so many blocks from
                                           // where it last had to go to the disc, and answers from it
  std::set<std::int32_t> slow;             // a read that holds one of these takes slowTime
  std::chrono::milliseconds slowTime{0};
  std::atomic<std::int64_t> vanishAfter{-1};  // sectors asked for before the drive is gone; -1 never
  int offsetSamples = 0;                   // the drive delivers audio this many samples late
  std::atomic<std::int64_t> requested{0};  // sectors asked of the drive so far
  std::atomic<std::int64_t> seeks{0};      // reads that start neither where the read before stopped nor at the
                                           // block before that (which a drive still holds)
  std::atomic<std::int64_t> failed{0};     // reads that stopped at a sector that failed
  // The Q sub-channel: each block names the track and index it lies in; a track's pregap (INDEX 00) starts
  // where indexZero says (track number: block). Some blocks' Q cannot be read, or is no valid position.
  std::map<int, std::int32_t> indexZero;
  std::set<std::int32_t> qUnreadable;
  std::set<std::int32_t> qInvalid;
  std::atomic<std::int64_t> qReads{0};  // Q sub-channels asked of the drive so far
};

// Lists the image as the only drive, read through the faults, and opens it; 0 when that failed. The drive
// names itself as a drive of the machine does when given an identification ("VENDOR MODEL REVISION").
HCDROM OpenSimulatedDrive(const std::string& sheet, const std::shared_ptr<DriveFaults>& faults,
                          const std::string& identification = "");

}  // namespace testdata
