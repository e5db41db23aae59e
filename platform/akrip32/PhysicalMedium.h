#pragma once
// A disc read through libcdio. In burst mode a clean disc is read once: each stretch of blocks in one drive
// command, checked against the block before it (or, after a seek, against its last block read again); where
// the drive fails or a read starts off, that stretch is read securely (in quick burst mode with a few tries a
// block only). In secure mode every block is read securely (SecureReader), a whole track ahead at a time.

#include <cdio/cdio.h>

#include <array>
#include <chrono>
#include <memory>
#include <optional>

#include "platform/akrip32/CdMedium.h"
#include "platform/akrip32/SectorReader.h"
#include "platform/akrip32/SecureReader.h"

class PhysicalMedium : public CdMedium {
 public:
  // Takes the handle and reads the disc's layout through it; nullptr when there is no disc to read.
  static std::unique_ptr<PhysicalMedium> Open(CdIo_t* cdio, std::unique_ptr<SectorReader> reader);
  ~PhysicalMedium() override;

  const DiscLayout& Layout() const override { return FLayout; }
  BlockRead ReadBlocks(std::int32_t lba, std::int32_t count, std::uint8_t* out,
                       const std::atomic<bool>* cancel) override;
  void SetReadMode(ReadMode mode) override;
  DiscCodes Codes() override;
  DiscText Text() override;
  GapDetection DetectGaps(const GapProgress& progress, const std::atomic<bool>* cancel) override;

  // How long one block may be tried before it counts as unreadable (at first 5 s); tests shorten it.
  static void SetBlockTimeLimit(std::chrono::milliseconds limit);

 private:
  using Block = std::array<std::uint8_t, CD_BLOCK_BYTES>;

  PhysicalMedium(CdIo_t* cdio, DiscLayout layout, std::unique_ptr<SectorReader> reader);
  bool ReadBurst(std::int32_t lba, std::int32_t count, std::uint8_t* out);
  std::int32_t ReadAhead(std::int32_t lba, std::int32_t count) const;
  void Remember(std::int32_t lba, std::int32_t count, const std::uint8_t* out, const BlockRead& result);

  CdIo_t* FCdio;
  DiscLayout FLayout;
  std::optional<DiscCodes> FCodes;
  std::optional<DiscText> FText;
  std::optional<GapDetection> FGaps;  // how the pregaps of FCodes were found, once they were searched for
  std::unique_ptr<SectorReader> FReader;
  SecureReader FSecure;
  ReadMode FMode = ReadMode::Burst;
  std::int32_t FNext = -1;  // the block after the last one delivered, when FLast holds that block
  Block FLast{};
};
