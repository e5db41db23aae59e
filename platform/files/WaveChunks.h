#pragma once
// Where the audio of a RIFF WAVE file lies, found by walking its chunks: other chunks ("LIST", "fact") may
// stand anywhere, and the "fmt " chunk may be longer than 16 bytes.

#include <cstdint>

struct WaveChunks {
  // 1 for PCM; WAVE_FORMAT_EXTENSIBLE whose sub-format is PCM counts as PCM too.
  std::uint16_t formatTag = 0;
  std::uint16_t channels = 0;
  std::uint32_t sampleRate = 0;
  std::uint16_t bitsPerSample = 0;
  std::int64_t dataOffset = 0;
  std::int64_t dataBytes = 0;  // what the "data" chunk says, cut to what the file holds
};

// Reads the chunks of the open file (with pread); false when it is no RIFF WAVE file, or has no "fmt "
// chunk, or ends where its "data" chunk starts. Throws nothing; a read error counts as the end of the chunks.
bool ReadWaveChunks(int descriptor, std::int64_t fileSize, WaveChunks& wave);
