#pragma once
// The checksums of one track's audio, taken as it is read: CRC-32 with and without the samples that are 0,
// the AccurateRip sums (v1, v2, and v1 over block 450 alone, also at other offsets for the offset search),
// and the CUETools database's CRC-32 with what taking it at other offsets needs.

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
  std::uint32_t ctdb = 0;  // the CUETools database's CRC-32 of the track
};

// How far either way the CUETools database's CRCs are looked for, in frames.
constexpr std::uint64_t kCtdbShiftFrames = 2939;

// What the track's CTDB CRC is made of, so that it can be taken as read at another offset (cd/Ctdb.h): the
// frames [from, to) it covers, their CRC-32 and that of [from, to - kCtdbShiftFrames) (when the range is that
// long), and the PCM of the track's own frames within kCtdbShiftFrames of either end.
struct CtdbTrackPart {
  std::uint64_t frames = 0;  // the track's
  std::uint64_t from = 0;
  std::uint64_t to = 0;
  std::uint32_t crc = 0;
  std::uint32_t body = 0;
  std::vector<std::uint8_t> head;  // frames [from - kCtdbShiftFrames, from + kCtdbShiftFrames) of the track
  std::vector<std::uint8_t> tail;  // frames [to - kCtdbShiftFrames, to + kCtdbShiftFrames) of the track
};

class TrackChecksums {
 public:
  // words: the track's stereo frames; the disc's first and last audio track leave out five blocks at the ends
  // of the AccurateRip sums, ten (the last also discAudioFrames % 5880 frames, discAudioFrames being the frames
  // of all the disc's audio tracks) of the CTDB CRC.
  TrackChecksums(std::uint64_t words, bool firstAudioTrack, bool lastAudioTrack, std::uint64_t discAudioFrames);
  // The next bytes of the track's PCM (little-endian 16-bit stereo), in order.
  void Add(const std::uint8_t* pcm, std::size_t bytes);
  const TrackSums& Sums() const { return FSums; }
  const CtdbTrackPart& Ctdb() const { return FCtdb; }
  // The block-450 sum of the track read shift frames later (negative: earlier), for |shift| up to five blocks;
  // 0 when the track is too short for it.
  std::uint32_t Ar450At(int shift) const;

  static constexpr int kSearchFrames = 5 * 588;

 private:
  void AddWords(const std::uint8_t* pcm, std::size_t count);
  void AddCtdb(const std::uint8_t* pcm, std::size_t bytes, std::uint32_t crc);

  std::uint64_t FFirstCounted;
  std::uint64_t FLastCounted;
  std::uint64_t FPosition = 0;  // frames taken so far
  TrackSums FSums;
  std::uint8_t FCarry[4] = {};  // bytes of a frame split between two calls
  std::size_t FCarried = 0;
  std::vector<std::uint32_t> FAround450;  // frames of blocks 445 to 455
  CtdbTrackPart FCtdb;
  std::uint64_t FCtdbBodyEnd;  // frames of the track
  std::uint32_t FCtdbRest = 0;  // CRC of [FCtdbBodyEnd, to)
  std::uint64_t FBytes = 0;  // taken so far
};
