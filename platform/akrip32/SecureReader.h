#pragma once
// Audio blocks read so that none is delivered on the word of one read. A window of blocks is read twice, the
// drive's cache defeated in between (a read far away makes the drive fill its cache there), and a block is
// delivered once two reads of it agree. Blocks on which the reads differ, or that the drive failed, are read
// again in rounds, each after the cache is defeated again, until two reads agree or the block's time is up:
// then it is unreadable. A read that goes on from known audio starts one block early and must give that block
// as it is known; one that starts off (jitter) is not taken. What was delivered near track starts stays known
// across passes and tracks, so that the first read of the next track is checked as well.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "platform/akrip32/CdMedium.h"
#include "platform/akrip32/SectorReader.h"

class SecureReader {
 public:
  SecureReader(SectorReader& reader, const DiscLayout& layout);

  // How long a block is tried, counted from its first try, before it counts as unreadable (at first 5 s). A
  // block is tried at least kMinAttempts times however long that takes (a slow block that failed once still
  // gets its two agreeing reads), and never more than kMaxAttempts times.
  static void SetBlockTimeLimit(std::chrono::milliseconds limit);
  static constexpr int kMinAttempts = 4;
  static constexpr int kMaxAttempts = 20;

  // Delivers count blocks from lba on (audio of one stretch), reading what is not known yet in windows that
  // go no further than readAhead. Quick: a block is tried kMinAttempts times at most (a burst read's second
  // try, which a secure read may follow). A cancel, once set, ends the reading at the next drive command.
  BlockRead Read(std::int32_t lba, std::int32_t count, std::int32_t readAhead, bool quick, std::uint8_t* out,
                 const std::atomic<bool>* cancel);
  // Takes note of blocks delivered, by this reader or a burst read, for checking the reads that follow them.
  void Delivered(std::int32_t lba, std::int32_t count, const std::uint8_t* data,
                 const std::vector<std::int32_t>& unreadable);
  // From now on every block is read from the drive afresh; what was delivered stays known for the checking.
  void Forget();

 private:
  using Block = std::array<std::uint8_t, CD_BLOCK_BYTES>;
  using Clock = std::chrono::steady_clock;
  enum class Outcome { Done, Cancelled, Gone };

  static constexpr std::int32_t kChunkBlocks = 25;    // one drive command
  static constexpr std::int32_t kWindowBlocks = 2250;  // 30 s of audio, read twice in a row
  static constexpr std::int32_t kFarBlocks = 4500;     // 10 MB: beyond any drive's cache
  static constexpr std::int32_t kBoundaryReach = 8;    // blocks around a track start kept known (offsets)
  static constexpr int kJitterFrames = 294;             // how far off a read may start: half a block

  // What reads gave for a block, alike.
  struct Version {
    Block data;
    int reads = 1;
    bool checked = false;  // one of them started where it should
  };
  // One block of a window while it is read.
  struct Candidate {
    std::vector<Version> reads;  // what the reads gave so far, each different
    int attempts = 0;
    Clock::time_point firstTry;
    bool settled = false;
    bool verified = false;
    std::int32_t runLimit = kChunkBlocks;  // blocks read together with it, fewer after a read that started off
  };
  struct Window {
    std::int32_t first = 0;    // the block before the blocks asked for, read to check the reads that follow it
    std::int32_t asked = 0;    // the first block asked for
    bool quick = false;
    std::vector<Candidate> blocks;
    std::int32_t End() const { return first + static_cast<std::int32_t>(blocks.size()); }
    bool Holds(std::int32_t block) const { return block >= first && block < End(); }
    Candidate& At(std::int32_t block) { return blocks[static_cast<std::size_t>(block - first)]; }
    const Candidate& At(std::int32_t block) const { return blocks[static_cast<std::size_t>(block - first)]; }
  };

  Outcome ReadWindow(std::int32_t start, std::int32_t end, bool quick);
  Outcome Sweep(Window& window, std::int32_t from, std::int32_t to, bool carefully);
  static bool StartedOff(const std::uint8_t* read, const std::uint8_t* known);
  static double Agreement(const std::uint8_t* read, const std::uint8_t* known, int shift);
  Outcome Round(Window& window);
  void NoteRound(const Window& window, int round) const;
  Outcome DefeatCache(const Window& window);
  Outcome DriveRead(std::int32_t lsn, long count, long& got);
  static void Attempted(Candidate& candidate);
  static std::size_t Take(Candidate& candidate, const std::uint8_t* data, bool checked);
  static void Confirm(Candidate& candidate, std::size_t version);
  static void Verify(Candidate& candidate, std::size_t version);
  static bool Exhausted(const Candidate& candidate, bool quick);
  static bool Unsettled(const Window& window);
  void Settle(Window& window) const;
  void Keep(const Window& window);
  const Block* Known(const Window& window, std::int32_t block) const;
  bool IsAudio(std::int32_t block) const;
  bool NearTrackStart(std::int32_t block) const;
  std::int32_t FarBlock(std::int32_t start, std::int32_t end) const;

  SectorReader& FReader;
  std::vector<std::pair<std::int32_t, std::int32_t>> FAudio;  // each audio track's blocks, [begin, end)
  std::vector<std::int32_t> FTrackStarts;
  std::map<std::int32_t, Block> FVerified;   // this pass's blocks, ready to be delivered
  std::set<std::int32_t> FUnreadable;        // this pass's blocks that no two reads agreed on
  std::map<std::int32_t, Block> FReferences;  // delivered near track starts, and the last block delivered
  std::int32_t FLastDelivered = -1;
  std::vector<std::uint8_t> FBuffer;
  const std::atomic<bool>* FCancel = nullptr;
};
