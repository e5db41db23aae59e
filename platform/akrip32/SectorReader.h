#pragma once
// How a drive's raw audio sectors are read: the drive itself, or, in tests, a drive that fails on purpose.

#include <atomic>
#include <cstdint>

// What one block's Q sub-channel says of where the block lies.
struct QPosition {
  enum class Status {
    Valid,        // a position (ADR 1) whose CRC, where the drive gives it, is right
    Unreadable,   // the drive reported an error
    Invalid,      // no position (another ADR) or a wrong CRC
    NotSupported  // the source gives no sub-channel at all
  };
  Status status = Status::NotSupported;
  int track = 0;  // 1 to 99
  int index = 0;  // 0 in a pregap, 1 from the track's start on
};

class SectorReader {
 public:
  virtual ~SectorReader() = default;
  // Reads count sectors of 2352 bytes from lsn on into out. Returns how many were read from the start: fewer
  // than count when the drive reported an error at the sector after them.
  virtual long Read(std::uint8_t* out, std::int32_t lsn, long count) = 0;
  // Whether the disc is still there; asked after a read failed.
  virtual bool DiscPresent() = 0;
  // A read that tries its sectors one by one stops at this cancel once it is set.
  virtual void SetCancel(const std::atomic<bool>*) {}
  // The Q sub-channel of the block at lsn.
  virtual QPosition ReadQ(std::int32_t) { return {}; }
};
