#include "platform/files/WaveChunks.h"

#include <algorithm>
#include <cstring>

#include "platform/files/PositionedRead.h"

namespace {

constexpr std::uint16_t kPcm = 1;
constexpr std::uint16_t kExtensible = 0xFFFE;
// The GUID of PCM after its first two bytes (the format tag), as WAVE_FORMAT_EXTENSIBLE stores it.
constexpr unsigned char kPcmGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                            0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

std::uint16_t Le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t Le32(const unsigned char* p) { return Le16(p) | std::uint32_t{Le16(p + 2)} << 16; }

bool ReadFormat(int descriptor, std::int64_t offset, std::int64_t size, WaveChunks& wave) {
  unsigned char fmt[40] = {};
  if (size < 16 || !ReadFullyAt(descriptor, fmt, static_cast<std::size_t>(std::min<std::int64_t>(size, 40)), offset))
    return false;
  wave.formatTag = Le16(fmt);
  wave.channels = Le16(fmt + 2);
  wave.sampleRate = Le32(fmt + 4);
  wave.bitsPerSample = Le16(fmt + 14);
  if (wave.formatTag == kExtensible)
    wave.formatTag = size >= 40 && Le16(fmt + 24) == kPcm && std::memcmp(fmt + 26, kPcmGuidTail, 14) == 0 ? kPcm
                                                                                                       : kExtensible;
  return true;
}

}  // namespace

bool ReadWaveChunks(int descriptor, std::int64_t fileSize, WaveChunks& wave) {
  unsigned char riff[12];
  if (!ReadFullyAt(descriptor, riff, 12, 0) || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
    return false;
  bool formatSeen = false;
  std::int64_t position = 12;
  unsigned char chunk[8];
  while (position + 8 <= fileSize && ReadFullyAt(descriptor, chunk, 8, position)) {
    std::int64_t size = Le32(chunk + 4);
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      formatSeen = ReadFormat(descriptor, position + 8, size, wave);
      if (!formatSeen) return false;
    } else if (std::memcmp(chunk, "data", 4) == 0 && formatSeen) {
      wave.dataOffset = position + 8;
      wave.dataBytes = std::min(size, fileSize - wave.dataOffset);
      return wave.dataOffset < fileSize;  // a header alone holds no audio
    }
    position += 8 + size + (size & 1);  // chunks are padded to even sizes
  }
  return false;
}
