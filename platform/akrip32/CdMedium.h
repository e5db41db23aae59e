#pragma once
// A disc in a drive, opened for reading: its table of contents and its audio blocks.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

constexpr int CD_BLOCK_BYTES = 2352;  // one block: 1/75 s of stereo 16-bit audio

struct DiscTrack {
  int number = 0;
  std::int32_t start = 0;  // block address, first track of a plain disc at 0
  bool audio = true;
};

// An enhanced CD's data session starts this far after the audio session's last block: the audio session's
// lead-out and the data session's lead-in and pregap lie between them.
constexpr std::int32_t kSessionGapBlocks = 11400;

// Where a track that starts at start ends when the next one starts at nextStart: there, or, when a data
// track follows audio (an enhanced CD), before the gap of the data session.
inline std::int64_t TrackEnd(std::int64_t start, bool audio, std::int64_t nextStart, bool nextAudio) {
  bool dataSession = audio && !nextAudio && nextStart - kSessionGapBlocks > start;
  return dataSession ? nextStart - kSessionGapBlocks : nextStart;
}

struct DiscLayout {
  std::vector<DiscTrack> tracks;
  std::int32_t leadout = 0;

  // The block after the audio of track index: the next track's start, or the lead-out; when a data track
  // follows audio (an enhanced CD), the end of the audio session before the gap.
  std::int32_t AudioEnd(std::size_t index) const {
    if (index + 1 >= tracks.size()) return leadout;
    const DiscTrack& track = tracks[index];
    const DiscTrack& next = tracks[index + 1];
    return static_cast<std::int32_t>(TrackEnd(track.start, track.audio, next.start, next.audio));
  }
};

// What one read delivered: every block asked for, those that could not be read as silence; or nothing at
// all when the disc is gone or the read was cancelled.
struct BlockRead {
  bool delivered = true;
  bool cancelled = false;
  std::vector<std::int32_t> unreadable;  // disc addresses, ascending
};

// How a drive is read. Burst: each block once, in long runs, read again only where the drive reports an error
// or a read starts off. Secure: a block is delivered only when two reads of it, the drive's cache defeated
// between them, agree.
enum class ReadMode { Burst, Secure };

class CdMedium {
 public:
  virtual ~CdMedium() = default;
  virtual const DiscLayout& Layout() const = 0;
  // Fills count blocks starting at lba (all inside the disc's audio). A cancel, once set, ends the read at the
  // next drive command.
  virtual BlockRead ReadBlocks(std::int32_t lba, std::int32_t count, std::uint8_t* out,
                               const std::atomic<bool>* cancel) = 0;
  // Reads from now on in this mode, afresh: nothing read before answers a later read. Images read exactly
  // either way.
  virtual void SetReadMode(ReadMode) {}
  // Whether every read gives the disc's bytes as they are (a disc image): reading again proves nothing.
  virtual bool ReadsExactly() const { return false; }
};

// One entry of the drive list.
class CdDriveEntry {
 public:
  virtual ~CdDriveEntry() = default;
  virtual std::string Identification() const = 0;
  // Opens the disc in the drive; nullptr when there is none that can be read.
  virtual std::unique_ptr<CdMedium> Open() = 0;
  // Why the last Open gave nullptr, when there is more to say than that no disc could be read.
  virtual std::string OpenError() const { return {}; }
  // The drive's door. A disc image has none: opening and closing it then do nothing and fail.
  virtual bool HasDoor() const { return false; }
  virtual bool OpenDoor() { return false; }
  virtual bool CloseDoor() { return false; }
};
