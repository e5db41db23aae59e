#pragma once
// A disc in a drive, opened for reading: its table of contents and its audio blocks.

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

struct DiscLayout {
  std::vector<DiscTrack> tracks;
  std::int32_t leadout = 0;
};

class CdMedium {
 public:
  virtual ~CdMedium() = default;
  virtual const DiscLayout& Layout() const = 0;
  // Fills count blocks starting at lba (all inside the disc). A block that cannot be read is
  // delivered as silence and makes the result false.
  virtual bool ReadBlocks(std::int32_t lba, std::int32_t count, std::uint8_t* out) = 0;
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
