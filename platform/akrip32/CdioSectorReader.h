#pragma once
// Raw audio sectors read through a libcdio handle: a CD drive, or one of libcdio's image drivers.

#include <cdio/cdio.h>

#include "platform/akrip32/SectorReader.h"

class CdioSectorReader : public SectorReader {
 public:
  explicit CdioSectorReader(CdIo_t* cdio);
  long Read(std::uint8_t* out, std::int32_t lsn, long count) override;
  bool DiscPresent() override;
  void SetCancel(const std::atomic<bool>* cancel) override { FCancel = cancel; }
  // Through the drive's READ CD command with raw sub-channel data; libcdio's image drivers have none.
  QPosition ReadQ(std::int32_t lsn) override;
  // The position in a block's 96 bytes of raw (P to W) sub-channel data.
  static QPosition PositionOfRawSubchannel(const std::uint8_t* raw);

 private:
  CdIo_t* FCdio;  // owned by the medium
  const std::atomic<bool>* FCancel = nullptr;
};
