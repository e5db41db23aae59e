#include "platform/files/AiffChunks.h"

#include <algorithm>
#include <cstring>

#include "platform/files/PositionedRead.h"

namespace {

std::uint16_t Be16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }
std::uint32_t Be32(const unsigned char* p) { return std::uint32_t{Be16(p)} << 16 | Be16(p + 2); }

// The rate as the 80-bit extended number "COMM" stores it, when it is a whole number of hertz.
std::uint32_t WholeRate(const unsigned char* p) {
  int exponent = (p[0] & 0x7F) << 8 | p[1];
  std::uint64_t mantissa = std::uint64_t{Be32(p + 2)} << 32 | Be32(p + 6);
  int shift = 16383 + 63 - exponent;
  if ((p[0] & 0x80) != 0 || shift < 32 || shift > 63) return 0;
  if ((mantissa & ((std::uint64_t{1} << shift) - 1)) != 0) return 0;
  return static_cast<std::uint32_t>(mantissa >> shift);
}

}  // namespace

bool ReadAiffChunks(int descriptor, std::int64_t fileSize, AiffChunks& aiff) {
  unsigned char form[12];
  if (!ReadFullyAt(descriptor, form, 12, 0) || std::memcmp(form, "FORM", 4) != 0) return false;
  bool aifc = std::memcmp(form + 8, "AIFC", 4) == 0;
  if (!aifc && std::memcmp(form + 8, "AIFF", 4) != 0) return false;
  bool common = false, sound = false;
  std::int64_t frames = 0, soundEnd = 0;
  std::int64_t position = 12;
  unsigned char chunk[30];
  while (position + 8 <= fileSize && ReadFullyAt(descriptor, chunk, 8, position)) {
    std::int64_t size = Be32(chunk + 4);
    if (std::memcmp(chunk, "COMM", 4) == 0 && size >= (aifc ? 22 : 18) &&
        ReadFullyAt(descriptor, chunk + 8, aifc ? 22 : 18, position + 8)) {
      common = true;
      aiff.channels = Be16(chunk + 8);
      frames = Be32(chunk + 10);
      aiff.bitsPerSample = Be16(chunk + 14);
      aiff.sampleRate = WholeRate(chunk + 16);
      aiff.compressed = aifc && std::memcmp(chunk + 26, "NONE", 4) != 0;
    } else if (std::memcmp(chunk, "SSND", 4) == 0 && size >= 8 && ReadFullyAt(descriptor, chunk + 8, 4, position + 8)) {
      sound = true;
      aiff.dataOffset = position + 16 + Be32(chunk + 8);
      soundEnd = std::min(position + 8 + size, fileSize);
    }
    position += 8 + size + (size & 1);  // chunks are padded to even sizes
  }
  if (!common || !sound) return false;
  std::int64_t frameBytes = std::int64_t{aiff.channels} * ((aiff.bitsPerSample + 7) / 8);
  aiff.dataBytes = std::clamp<std::int64_t>(std::min(frames * frameBytes, soundEnd - aiff.dataOffset), 0, fileSize);
  return true;
}
