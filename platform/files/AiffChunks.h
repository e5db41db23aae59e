#pragma once
// Where the audio of an AIFF file lies: the "COMM" chunk gives its format, the "SSND" chunk holds the
// big-endian samples after an offset of its own. Chunks may stand in any order.

#include <cstdint>

struct AiffChunks {
  bool compressed = false;  // an AIFF-C file of another coding than "NONE"
  std::uint16_t channels = 0;
  std::uint32_t sampleRate = 0;  // 0 when the rate is no whole number
  std::uint16_t bitsPerSample = 0;
  std::int64_t dataOffset = 0;
  std::int64_t dataBytes = 0;  // the sample frames "COMM" gives, cut to what "SSND" and the file hold
};

// Reads the chunks of the open file (with pread); false when it is no AIFF or AIFF-C file or lacks its
// "COMM" or "SSND" chunk. Throws nothing.
bool ReadAiffChunks(int descriptor, std::int64_t fileSize, AiffChunks& aiff);
