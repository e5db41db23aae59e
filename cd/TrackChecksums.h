#pragma once
// The checksums of one track's audio, taken as it is read: CRC-32 with and without the samples that are 0,
// and the AccurateRip sums (v1, v2, and v1 over block 450 alone, also at other offsets for the offset search).

#include <cstddef>
#include <cstdint>
#include <vector>

struct TrackSums {
  std::uint32_t crc32 = 0;
  std::uint32_t crc32NoNull = 0;
  std::uint32_t arV1 = 0;
  std::uint32_t arV2 = 0;
  std::uint32_t ar450 = 0;
  std::uint32_t peak = 0;  // the largest sample's magnitude, 32768 at full scale
};

class TrackChecksums {
 public:
  // words: the track's stereo frames; the disc's first and last audio track leave out five blocks at the ends.
  TrackChecksums(std::uint64_t words, bool firstAudioTrack, bool lastAudioTrack);
  // The next bytes of the track's PCM (little-endian 16-bit stereo), in order.
  void Add(const std::uint8_t* pcm, std::size_t bytes);
  const TrackSums& Sums() const { return FSums; }
  // The block-450 sum of the track read shift frames later (negative: earlier), for |shift| up to five blocks;
  // 0 when the track is too short for it.
  std::uint32_t Ar450At(int shift) const;

  static constexpr int kSearchFrames = 5 * 588;

 private:
  void AddWords(const std::uint8_t* pcm, std::size_t count);

  std::uint64_t FFirstCounted;
  std::uint64_t FLastCounted;
  std::uint64_t FPosition = 0;  // frames taken so far
  TrackSums FSums;
  std::uint8_t FCarry[4] = {};  // bytes of a frame split between two calls
  std::size_t FCarried = 0;
  std::vector<std::uint32_t> FAround450;  // frames of blocks 445 to 455
};
