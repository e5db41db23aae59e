#pragma once
// A disc read through libcdio. A clean disc is read once: each stretch of blocks in one read, checked against
// the block before it (or, after a seek, against its last block read again). Where reads fail or disagree,
// libcdio-paranoia reads the stretch and corrects the jitter; a block that the drive failed to deliver on the
// way is read on its own, with retries, and counts as unreadable when no two reads of it agree within the time
// allowed for one block.

#include <cdio/cdio.h>

#include <array>
#include <chrono>
#include <memory>
#include <set>
#include <vector>

#include "platform/akrip32/CdMedium.h"
#include "platform/akrip32/SectorReader.h"

typedef struct cdrom_drive_s cdrom_drive_t;
typedef struct cdrom_paranoia_s cdrom_paranoia_t;

class PhysicalMedium : public CdMedium {
 public:
  // Takes the handle and reads the disc's layout through it; nullptr when there is no disc to read.
  static std::unique_ptr<PhysicalMedium> Open(CdIo_t* cdio, std::unique_ptr<SectorReader> reader);
  ~PhysicalMedium() override;

  const DiscLayout& Layout() const override { return FLayout; }
  BlockRead ReadBlocks(std::int32_t lba, std::int32_t count, std::uint8_t* out) override;

  // How long one block may be tried before it counts as unreadable (at first 5 s); tests shorten it.
  static void SetBlockTimeLimit(std::chrono::milliseconds limit);

  // What libcdio-paranoia's read calls are sent to (it has no place for a pointer of ours).
  long ReadForParanoia(std::uint8_t* out, std::int32_t lsn, long count);

 private:
  using Clock = std::chrono::steady_clock;
  using Block = std::array<std::uint8_t, CD_BLOCK_BYTES>;

  PhysicalMedium(CdIo_t* cdio, DiscLayout layout, std::unique_ptr<SectorReader> reader);
  void StartParanoia();
  void StopParanoia();
  bool ReadChecked(std::int32_t lba, std::int32_t count, std::uint8_t* out);
  std::vector<std::int32_t> ReadWithParanoia(std::int32_t lba, std::int32_t count, std::uint8_t* out);
  bool ReadAlone(std::int32_t lba, std::uint8_t* out);
  void Remember(std::int32_t lba, std::int32_t count, const std::uint8_t* out, const BlockRead& result);

  CdIo_t* FCdio;
  DiscLayout FLayout;
  std::unique_ptr<SectorReader> FReader;
  cdrom_drive_t* FDrive = nullptr;
  cdrom_paranoia_t* FParanoia = nullptr;
  std::int32_t FParanoiaNext = -1;  // where paranoia goes on without a seek
  std::int32_t FNext = -1;          // the block after the last one delivered, when FLast holds that block
  Block FLast{};
  std::set<std::int32_t> FFailed;   // blocks the drive failed to deliver to paranoia
  std::int32_t FReadEnd = 0;        // the end of the audio being read: paranoia's read-ahead stops there
  Clock::time_point FDeadline;
  bool FGone = false;
};
