#include "cd/TrackChecksums.h"

#include <zlib.h>

#include <cstdlib>

namespace {

constexpr std::uint64_t kBlockFrames = 588;
constexpr std::uint64_t kAroundStart = 450 * kBlockFrames - TrackChecksums::kSearchFrames;
constexpr std::uint64_t kAroundFrames = kBlockFrames + 2 * TrackChecksums::kSearchFrames;

std::uint32_t Crc(std::uint32_t crc, const std::uint8_t* bytes, std::size_t count) {
  return static_cast<std::uint32_t>(crc32(crc, bytes, static_cast<uInt>(count)));
}

// The CRC without null samples: only the 16-bit samples that are not 0.
std::uint32_t CrcWithoutNulls(std::uint32_t crc, const std::uint8_t* bytes, std::size_t count) {
  std::uint8_t kept[4096];
  std::size_t held = 0;
  for (std::size_t i = 0; i + 1 < count; i += 2) {
    if (bytes[i] == 0 && bytes[i + 1] == 0) continue;
    kept[held++] = bytes[i];
    kept[held++] = bytes[i + 1];
    if (held == sizeof kept) {
      crc = Crc(crc, kept, held);
      held = 0;
    }
  }
  return Crc(crc, kept, held);
}

}  // namespace

TrackChecksums::TrackChecksums(std::uint64_t words, bool firstAudioTrack, bool lastAudioTrack)
    : FFirstCounted(firstAudioTrack ? TrackChecksums::kSearchFrames : 1),
      FLastCounted(lastAudioTrack ? (words > std::uint64_t(kSearchFrames) ? words - kSearchFrames : 0) : words) {
  FSums.crc32 = Crc(0, nullptr, 0);
  FSums.crc32NoNull = FSums.crc32;
}

void TrackChecksums::Add(const std::uint8_t* pcm, std::size_t bytes) {
  FSums.crc32 = Crc(FSums.crc32, pcm, bytes);
  FSums.crc32NoNull = CrcWithoutNulls(FSums.crc32NoNull, pcm, bytes);
  std::size_t i = 0;
  while (FCarried > 0 && FCarried < 4 && i < bytes) FCarry[FCarried++] = pcm[i++];
  if (FCarried == 4) {
    AddWord(std::uint32_t(FCarry[0]) | std::uint32_t(FCarry[1]) << 8 | std::uint32_t(FCarry[2]) << 16 |
            std::uint32_t(FCarry[3]) << 24);
    FCarried = 0;
  }
  for (; i + 4 <= bytes; i += 4)
    AddWord(std::uint32_t(pcm[i]) | std::uint32_t(pcm[i + 1]) << 8 | std::uint32_t(pcm[i + 2]) << 16 |
            std::uint32_t(pcm[i + 3]) << 24);
  while (i < bytes) FCarry[FCarried++] = pcm[i++];
}

void TrackChecksums::AddWord(std::uint32_t word) {
  const std::uint64_t multiplier = ++FPosition;
  if (multiplier >= FFirstCounted && multiplier <= FLastCounted) {
    std::uint64_t product = std::uint64_t(word) * multiplier;
    FSums.arV1 += static_cast<std::uint32_t>(product);
    FSums.arV2 += static_cast<std::uint32_t>(product) + static_cast<std::uint32_t>(product >> 32);
  }
  const std::uint64_t index = multiplier - 1;
  if (index >= 450 * kBlockFrames && index < 451 * kBlockFrames)
    FSums.ar450 += word * static_cast<std::uint32_t>(index - 450 * kBlockFrames + 1);
  if (index >= kAroundStart && index < kAroundStart + kAroundFrames) FAround450.push_back(word);
}

std::uint32_t TrackChecksums::Ar450At(int shift) const {
  std::int64_t from = std::int64_t(kSearchFrames) + shift;
  if (std::abs(shift) > kSearchFrames || std::int64_t(FAround450.size()) < from + std::int64_t(kBlockFrames)) return 0;
  std::uint32_t sum = 0;
  for (std::uint32_t m = 1; m <= kBlockFrames; ++m) sum += FAround450[static_cast<std::size_t>(from) + m - 1] * m;
  return sum;
}
