#pragma once
// The PCM of a FLAC file that a CUE sheet names, read at any position as if it were a BINARY file.

#include <FLAC/stream_decoder.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class FlacImageFile {
 public:
  // Takes over the open file descriptor (also on failure). Only CD audio (44,100 Hz, 16-bit, stereo) whose
  // header gives its length can stand for a disc; nullptr with a reason in error otherwise.
  static std::unique_ptr<FlacImageFile> Open(int descriptor, const std::string& path, std::string& error);
  ~FlacImageFile();
  FlacImageFile(const FlacImageFile&) = delete;
  FlacImageFile& operator=(const FlacImageFile&) = delete;

  // Bytes of little-endian PCM the file decodes to.
  std::int64_t Bytes() const { return static_cast<std::int64_t>(FTotalSamples) * kFrameBytes; }
  // Fills bytes of PCM from offset (both whole sample frames); false where the file cannot be decoded.
  bool Read(std::int64_t offset, std::size_t bytes, std::uint8_t* out);

 private:
  static constexpr int kFrameBytes = 4;

  FlacImageFile() = default;
  // Makes the decoded frame the one holding sample; a sample right after it is decoded on, others sought.
  bool Decode(std::uint64_t sample);

  std::mutex FLock;  // the decoder keeps the position of the last read
  FLAC__StreamDecoder* FDecoder = nullptr;
  std::uint64_t FTotalSamples = 0;
  unsigned FRate = 0, FChannels = 0, FBits = 0;
  bool FDamaged = false;
  std::uint64_t FFrameStart = 0;      // the first sample of the decoded frame
  std::vector<std::uint8_t> FFrame;  // its PCM, little-endian

  friend struct FlacImageCallbacks;
};
