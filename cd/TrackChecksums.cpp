#include "cd/TrackChecksums.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "cd/Crc32.h"

namespace {

constexpr std::uint64_t kBlockFrames = 588;
constexpr std::uint64_t kAroundStart = 450 * kBlockFrames - TrackChecksums::kSearchFrames;
constexpr std::uint64_t kAroundFrames = kBlockFrames + 2 * TrackChecksums::kSearchFrames;
constexpr std::uint64_t kCtdbSkipFrames = 10 * kBlockFrames;

// The bytes of a chunk that starts at byte `at` of the track and lie in its frames [fromFrame, toFrame): where
// they start in the chunk, and how many.
struct Overlap {
  std::size_t offset = 0;
  std::size_t length = 0;
};

Overlap OverlapOf(std::uint64_t at, std::size_t bytes, std::uint64_t fromFrame, std::uint64_t toFrame) {
  const std::uint64_t from = std::max(at, fromFrame * 4), to = std::min(at + bytes, toFrame * 4);
  if (from >= to) return {};
  return {std::size_t(from - at), std::size_t(to - from)};
}

// Four samples at a time: a 16-bit lane that is 0 keeps its top bit after the subtraction.
bool HoldsNullSample(const std::uint8_t* bytes) {
  std::uint64_t lanes;
  std::memcpy(&lanes, bytes, 8);
  return ((lanes - 0x0001000100010001ULL) & ~lanes & 0x8000800080008000ULL) != 0;
}

// The next null sample at or after from, or count.
std::size_t NextNullSample(const std::uint8_t* bytes, std::size_t from, std::size_t count) {
  while (from + 8 <= count && !HoldsNullSample(bytes + from)) from += 8;
  for (; from + 1 < count; from += 2)
    if (bytes[from] == 0 && bytes[from + 1] == 0) return from;
  return count;
}

// The CRC without null samples: the stretches of samples that are not 0, each taken where it lies.
std::uint32_t CrcWithoutNulls(std::uint32_t crc, const std::uint8_t* bytes, std::size_t count) {
  std::size_t run = 0;
  for (std::size_t null = NextNullSample(bytes, 0, count); null < count; null = NextNullSample(bytes, run, count)) {
    crc = Crc32(crc, bytes + run, null - run);
    run = null + 2;
  }
  return Crc32(crc, bytes + run, count - run);
}

std::uint32_t WordAt(const std::uint8_t* bytes) {
  static_assert(std::endian::native == std::endian::little, "PCM words are read as they lie in memory");
  std::uint32_t word;
  std::memcpy(&word, bytes, 4);
  return word;
}

// The largest magnitude of the words' two samples.
std::uint32_t Peak(const std::uint8_t* pcm, std::size_t words) {
  std::uint32_t peak = 0;
  for (std::size_t i = 0; i < words * 2; ++i) {
    std::int16_t sample;
    std::memcpy(&sample, pcm + i * 2, 2);
    peak = std::max<std::uint32_t>(peak, static_cast<std::uint32_t>(std::abs(int(sample))));
  }
  return peak;
}

}  // namespace

TrackChecksums::TrackChecksums(std::uint64_t words, bool firstAudioTrack, bool lastAudioTrack,
                               std::uint64_t discAudioFrames)
    : FFirstCounted(firstAudioTrack ? TrackChecksums::kSearchFrames : 1),
      FLastCounted(lastAudioTrack ? (words > std::uint64_t(kSearchFrames) ? words - kSearchFrames : 0) : words) {
  FSums.crc32 = Crc32(0, nullptr, 0);
  FSums.crc32NoNull = FSums.crc32;
  // The database leaves out the disc's first ten blocks, and its last ten with the frames past whole tens.
  const std::uint64_t endSkipped = lastAudioTrack ? kCtdbSkipFrames + discAudioFrames % kCtdbSkipFrames : 0;
  FCtdb.frames = words;
  FCtdb.from = firstAudioTrack ? std::min(words, kCtdbSkipFrames) : 0;
  FCtdb.to = std::max(FCtdb.from, words > endSkipped ? words - endSkipped : 0);
  FCtdbBodyEnd = FCtdb.to - FCtdb.from >= kCtdbShiftFrames ? FCtdb.to - kCtdbShiftFrames : FCtdb.to;
  FSums.ctdb = FCtdb.crc;
}

void TrackChecksums::Add(const std::uint8_t* pcm, std::size_t bytes) {
  // Music rarely holds a sample of 0: then both CRCs take the same bytes, whose CRC is computed once.
  std::uint32_t alone = Crc32(0, pcm, bytes);
  FSums.crc32 = Crc32Combine(FSums.crc32, alone, bytes);
  FSums.crc32NoNull = NextNullSample(pcm, 0, bytes) < bytes ? CrcWithoutNulls(FSums.crc32NoNull, pcm, bytes)
                                                            : Crc32Combine(FSums.crc32NoNull, alone, bytes);
  AddCtdb(pcm, bytes, alone);
  std::size_t i = 0;
  while (FCarried > 0 && FCarried < 4 && i < bytes) FCarry[FCarried++] = pcm[i++];
  if (FCarried == 4) {
    AddWords(FCarry, 1);
    FCarried = 0;
  }
  std::size_t words = (bytes - i) / 4;
  AddWords(pcm + i, words);
  for (i += words * 4; i < bytes; ++i) FCarry[FCarried++] = pcm[i];
}

// The words' index runs from FPosition; each sum takes only the part of them that falls in its range.
void TrackChecksums::AddWords(const std::uint8_t* pcm, std::size_t count) {
  const std::uint64_t first = FPosition, end = FPosition + count;
  const std::uint64_t from = std::max(first, FFirstCounted - 1), to = std::min(end, FLastCounted);
  // A track's frames fit 32 bits: the 32 by 32 bit products of one loop that the compiler makes parallel.
  std::uint32_t low = 0, high = 0;
  const std::uint8_t* words = pcm + (from - first) * 4;
  const std::uint32_t multiplier = static_cast<std::uint32_t>(from + 1);
  for (std::uint64_t k = 0, n = to > from ? to - from : 0; k < n; ++k) {
    std::uint64_t product = std::uint64_t(WordAt(words + k * 4)) * std::uint32_t(multiplier + k);
    low += static_cast<std::uint32_t>(product);
    high += static_cast<std::uint32_t>(product >> 32);
  }
  FSums.arV1 += low;
  FSums.arV2 += low + high;
  FSums.peak = std::max(FSums.peak, Peak(pcm, count));
  for (std::uint64_t index = std::max(first, 450 * kBlockFrames); index < std::min(end, 451 * kBlockFrames); ++index)
    FSums.ar450 += WordAt(pcm + (index - first) * 4) * static_cast<std::uint32_t>(index - 450 * kBlockFrames + 1);
  for (std::uint64_t index = std::max(first, kAroundStart); index < std::min(end, kAroundStart + kAroundFrames); ++index)
    FAround450.push_back(WordAt(pcm + (index - first) * 4));
  FPosition = end;
}

// The chunk's CRC serves the body wherever the chunk lies inside it, as most do.
void TrackChecksums::AddCtdb(const std::uint8_t* pcm, std::size_t bytes, std::uint32_t chunkCrc) {
  const std::uint64_t around = kCtdbShiftFrames;
  const Overlap body = OverlapOf(FBytes, bytes, FCtdb.from, FCtdbBodyEnd);
  FCtdb.body = body.length == bytes ? Crc32Combine(FCtdb.body, chunkCrc, bytes)
                                    : Crc32(FCtdb.body, pcm + body.offset, body.length);
  const Overlap rest = OverlapOf(FBytes, bytes, FCtdbBodyEnd, FCtdb.to);
  FCtdbRest = Crc32(FCtdbRest, pcm + rest.offset, rest.length);
  const Overlap head = OverlapOf(FBytes, bytes, FCtdb.from > around ? FCtdb.from - around : 0, FCtdb.from + around);
  FCtdb.head.insert(FCtdb.head.end(), pcm + head.offset, pcm + head.offset + head.length);
  const Overlap tail = OverlapOf(FBytes, bytes, FCtdb.to > around ? FCtdb.to - around : 0, FCtdb.to + around);
  FCtdb.tail.insert(FCtdb.tail.end(), pcm + tail.offset, pcm + tail.offset + tail.length);
  FBytes += bytes;
  const std::uint64_t restTaken = std::clamp(FBytes, FCtdbBodyEnd * 4, FCtdb.to * 4) - FCtdbBodyEnd * 4;
  FCtdb.crc = Crc32Combine(FCtdb.body, FCtdbRest, restTaken);
  FSums.ctdb = FCtdb.crc;
}

std::uint32_t TrackChecksums::Ar450At(int shift) const {
  std::int64_t from = std::int64_t(kSearchFrames) + shift;
  if (std::abs(shift) > kSearchFrames || std::int64_t(FAround450.size()) < from + std::int64_t(kBlockFrames)) return 0;
  std::uint32_t sum = 0;
  for (std::uint32_t m = 1; m <= kBlockFrames; ++m) sum += FAround450[static_cast<std::size_t>(from) + m - 1] * m;
  return sum;
}
