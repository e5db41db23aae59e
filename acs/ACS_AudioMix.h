#pragma once
// A source over two sources: their mix, sample by sample with a level each, or the first followed by the
// second.

#include <array>
#include <atomic>
#include <cstdint>

#include "acs/ACS_Classes.h"

enum TAudioMixerMode { amMix, amConcatenate };

class TAudioMixer : public TACSInput {
 public:
  // The output has the format of Input1; without it these fail with "Input not assigned".
  int GetBitsPerSample() override;
  int GetChannels() override;
  int GetSampleRate() override;
  int GetData(void* buffer, int bufferSize) override;
  // Refuses sources that differ in format or are not 16-bit: mixed as they are they would be noise.
  void Init() override;
  void Flush() override;

  TACSInput* Input1() const { return FInput1; }
  void SetInput1(TACSInput* input) { FInput1 = input; }
  TACSInput* Input2() const { return FInput2; }
  void SetInput2(TACSInput* input) { FInput2 = input; }
  // 255 leaves a source's level unchanged. Levels and mode may change during a run (from the
  // user-interface thread); they apply from the next block.
  std::uint8_t Volume1() const { return FVolume1; }
  void SetVolume1(std::uint8_t volume) { FVolume1 = volume; }
  std::uint8_t Volume2() const { return FVolume2; }
  void SetVolume2(std::uint8_t volume) { FVolume2 = volume; }
  TAudioMixerMode Mode() const { return FMode; }
  void SetMode(TAudioMixerMode mode) { FMode = mode; }

 private:
  static constexpr int kBufferSize = 16384;

  TACSInput& FormatSource();
  void CheckFormats();
  // Fill the output buffer (FBuffer2); false when both sources have ended.
  bool RefillMix();
  bool RefillConcatenate();
  // Reads until the buffer is full or the source ends; the bytes read.
  int ReadFull(TACSInput& input, std::uint8_t* buffer, bool& ended);

  TACSInput* FInput1 = nullptr;
  TACSInput* FInput2 = nullptr;
  std::atomic<std::uint8_t> FVolume1{255};
  std::atomic<std::uint8_t> FVolume2{255};
  bool FEndOfInput1 = false;
  bool FEndOfInput2 = false;
  std::array<std::uint8_t, kBufferSize> FBuffer1{};
  std::array<std::uint8_t, kBufferSize> FBuffer2{};  // also the output buffer
  std::atomic<TAudioMixerMode> FMode{amMix};
};
