#include "platform/akrip32/CdioSectorReader.h"

#include <cdio/mmc_cmds.h>

#include <array>

#include "platform/akrip32/CdMedium.h"

namespace {

constexpr int kRawSubchannelBytes = 96;

// The Q sub-channel is bit 6 of each of the 96 raw sub-channel bytes, most significant bit first.
std::array<std::uint8_t, 12> QOfRaw(const std::uint8_t* raw) {
  std::array<std::uint8_t, 12> q{};
  for (int bit = 0; bit < kRawSubchannelBytes; ++bit)
    if ((raw[bit] & 0x40) != 0) q[std::size_t(bit / 8)] |= static_cast<std::uint8_t>(0x80 >> (bit % 8));
  return q;
}

// CRC-16 of the first ten bytes (polynomial x^16 + x^12 + x^5 + 1), stored inverted in the last two.
bool QCrcRight(const std::array<std::uint8_t, 12>& q) {
  std::uint16_t crc = 0;
  for (int i = 0; i < 10; ++i) {
    crc ^= static_cast<std::uint16_t>(q[std::size_t(i)] << 8);
    for (int bit = 0; bit < 8; ++bit) crc = static_cast<std::uint16_t>((crc & 0x8000) != 0 ? (crc << 1) ^ 0x1021 : crc << 1);
  }
  return static_cast<std::uint16_t>(~crc) == ((q[10] << 8) | q[11]);
}

// A number in binary-coded decimal, or -1 when it is none.
int FromBcd(std::uint8_t value) {
  int high = value >> 4, low = value & 0x0F;
  return high > 9 || low > 9 ? -1 : high * 10 + low;
}

QPosition PositionOf(const std::array<std::uint8_t, 12>& q) {
  QPosition position;
  position.status = QPosition::Status::Invalid;
  if ((q[0] & 0x0F) != 1 || !QCrcRight(q)) return position;
  int track = FromBcd(q[1]);
  int index = FromBcd(q[2]);
  if (track < 1 || index < 0) return position;  // the lead-out (AA) lies past every track
  position.status = QPosition::Status::Valid;
  position.track = track;
  position.index = index;
  return position;
}

}  // namespace

// The drive reports a change since the last question: the first answer only starts the count.
CdioSectorReader::CdioSectorReader(CdIo_t* cdio) : FCdio(cdio) { cdio_get_media_changed(FCdio); }

long CdioSectorReader::Read(std::uint8_t* out, std::int32_t lsn, long count) {
  if (cdio_read_audio_sectors(FCdio, out, lsn, static_cast<std::uint32_t>(count)) == DRIVER_OP_SUCCESS) return count;
  // A drive fails a whole command for one bad sector: find out how far the good ones reach.
  long read = 0;
  while (read < count && (FCancel == nullptr || !FCancel->load()) &&
         cdio_read_audio_sector(FCdio, out + read * CD_BLOCK_BYTES, lsn + read) == DRIVER_OP_SUCCESS)
    ++read;
  return read;
}

QPosition CdioSectorReader::ReadQ(std::int32_t lsn) {
  std::array<std::uint8_t, CD_BLOCK_BYTES + kRawSubchannelBytes> block{};
  driver_return_code_t result = mmc_read_cd(FCdio, block.data(), lsn, CDIO_MMC_READ_TYPE_CDDA, false, false, 0, true,
                                            false, 0, 1, static_cast<std::uint16_t>(block.size()), 1);
  if (result == DRIVER_OP_UNSUPPORTED) return {};
  if (result != DRIVER_OP_SUCCESS) return {QPosition::Status::Unreadable};
  return PositionOfRawSubchannel(block.data() + CD_BLOCK_BYTES);
}

QPosition CdioSectorReader::PositionOfRawSubchannel(const std::uint8_t* raw) { return PositionOf(QOfRaw(raw)); }

bool CdioSectorReader::DiscPresent() {
  // Drivers that cannot tell keep their disc; a drive that no longer answers has lost it.
  driver_return_code_t changed = static_cast<driver_return_code_t>(cdio_get_media_changed(FCdio));
  return changed == 0 || changed == DRIVER_OP_UNSUPPORTED;
}
