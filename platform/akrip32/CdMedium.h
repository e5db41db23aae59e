#pragma once
// A disc in a drive, opened for reading: its table of contents and its audio blocks.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/akrip32/DiscCodes.h"
#include "platform/akrip32/DiscText.h"

constexpr int CD_BLOCK_BYTES = 2352;  // one block: 1/75 s of stereo 16-bit audio

struct DiscTrack {
  int number = 0;
  std::int32_t start = 0;  // block address, first track of a plain disc at 0
  bool audio = true;
  int session = 0;  // 1 for the first session; 0 when the source cannot tell
  // The TOC's flags of an audio track: recorded with pre-emphasis, digital copy permitted, four channels.
  bool preEmphasis = false;
  bool copyPermitted = false;
  bool fourChannel = false;
};

// Between two sessions lie the earlier one's lead-out and the later one's lead-in and pregap: an enhanced
// CD's data session starts this far after the audio session's last block.
constexpr std::int32_t kSessionGapBlocks = 11400;

struct TrackPlace {
  std::int64_t start = 0;
  bool audio = true;
  int session = 0;  // 0: unknown
};

// Where a track ends when the next one starts: there, or, when the next lies in a later session, before the
// gap between them. Where the sessions are unknown, a data track after audio is taken to start a session of
// its own (an enhanced CD), as it does on most discs.
inline std::int64_t TrackEnd(const TrackPlace& track, const TrackPlace& next) {
  bool known = track.session != 0 && next.session != 0;
  bool laterSession = known ? next.session > track.session : track.audio && !next.audio;
  bool gap = laterSession && next.start - kSessionGapBlocks > track.start;
  return gap ? next.start - kSessionGapBlocks : next.start;
}

struct DiscLayout {
  std::vector<DiscTrack> tracks;
  std::int32_t leadout = 0;

  // The block after the audio of track index: the next track's start, or the lead-out; before the gap
  // when the next track lies in a later session.
  std::int32_t AudioEnd(std::size_t index) const {
    if (index + 1 >= tracks.size()) return leadout;
    const DiscTrack& track = tracks[index];
    const DiscTrack& next = tracks[index + 1];
    return static_cast<std::int32_t>(
        TrackEnd({track.start, track.audio, track.session}, {next.start, next.audio, next.session}));
  }
};

// What one read delivered: every block asked for, those that could not be read as silence; or nothing at
// all when the disc is gone or the read was cancelled.
struct BlockRead {
  bool delivered = true;
  bool cancelled = false;
  std::vector<std::int32_t> unreadable;  // disc addresses, ascending
};

// How a drive is read. Burst: each block once, in long runs, read securely only where the drive reports an
// error or a read starts off. Quick burst: the same, but each such block is tried a few times only, for a
// read that a secure one follows where it is not confirmed. Secure: a block is delivered only when two reads
// of it, the drive's cache defeated between them, agree.
enum class ReadMode { Burst, QuickBurst, Secure };

// How a medium's pregaps were found: from the Q sub-channel, from an image's sheet, or not at all because the
// drive gives no sub-channel; a search that was cancelled found nothing.
enum class GapDetection { QSubchannel, Sheet, NotSupported, Cancelled };
// Told before each track is searched: its number and the disc's last track's.
using GapProgress = std::function<void(int track, int lastTrack)>;

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
  // The disc's catalogue number, ISRCs and pregaps; empty where the source cannot tell.
  virtual DiscCodes Codes() { return {}; }
  // The disc's CD-Text; empty where it has none or the source cannot tell.
  virtual DiscText Text() { return {}; }
  // Finds the pregaps that Codes() gives from then on, once: later calls answer at once. A cancel, once set,
  // ends the search at the next drive command.
  virtual GapDetection DetectGaps(const GapProgress&, const std::atomic<bool>*) { return GapDetection::NotSupported; }
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
  // The device the drive reads, or the image value it was made from; empty where there is none to name.
  virtual std::string Source() const { return {}; }
};
