#include "platform/akrip32/CdioSectorReader.h"

#include "platform/akrip32/CdMedium.h"

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

bool CdioSectorReader::DiscPresent() {
  // Drivers that cannot tell keep their disc; a drive that no longer answers has lost it.
  driver_return_code_t changed = static_cast<driver_return_code_t>(cdio_get_media_changed(FCdio));
  return changed == 0 || changed == DRIVER_OP_UNSUPPORTED;
}
