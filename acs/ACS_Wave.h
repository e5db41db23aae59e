#pragma once
// WAV files: TWaveIn reads the PCM of a WAV file (other chunks around it are passed over), TWaveOut writes
// one with the canonical 44-byte header.

#include <array>
#include <cstdint>
#include <memory>

#include "acs/ACS_Classes.h"
#include "acs/TFileStream.h"

constexpr int kWaveHeaderSize = 44;
using TWaveHeader = std::array<std::uint8_t, kWaveHeaderSize>;

// The RIFF/WAVE header of PCM audio; a data size of -1 (unknown) gives all bits set and a RIFF size of 35.
TWaveHeader MakeWaveHeader(int channels, int bitsPerSample, std::int32_t dataSize, int sampleRate);

class TWaveIn : public TACSFileIn {
 public:
  int GetData(void* buffer, int bufferSize) override;
  void OpenFile() override;
  void CloseFile() override;

 private:
  // Fills the block buffer; 0 at the end of the data.
  std::int32_t Refill();
  std::int32_t ReadBlock();

  std::unique_ptr<TFileStream> FStream;
  std::array<std::uint8_t, 32768> FBuffer{};
  std::uint16_t FFormatTag = 0;
  std::int64_t FDataOffset = kWaveHeaderSize;
};

class TWaveOut : public TACSOutput {
 public:
  ~TWaveOut() override;
  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& fileName) { FFileName = fileName; }
  // When a write fails after some audio went out, what was written takes the file's place as a complete
  // WAV file (the run still reports its error); otherwise a failed run leaves the earlier file alone.
  void SetKeepOnWriteError(bool value) { FKeepOnWriteError = value; }
  // Whether the last run kept its audio that way.
  bool KeptAfterError() const { return FKeptAfterError; }

 protected:
  void Prepare() override;
  bool DoOutput(bool Abort) override;
  void Done() override;

 private:
  std::string FFileName;
  std::unique_ptr<TFileStream> FStream;
  std::array<std::uint8_t, 32768> FBuffer{};
  std::uint32_t FHeaderDataSize = 0;
  std::int64_t FWritten = 0;
  bool FWriteFailed = false;
  std::atomic<bool> FKeepOnWriteError{false};
  std::atomic<bool> FKeptAfterError{false};
};
