#pragma once
// Opus files: TOpusOut encodes the PCM of its input into a new Ogg Opus file (resampled to 48 kHz by the
// encoder; the header keeps the input's rate and an output gain of 0).

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "acs/ACS_Classes.h"
#include "acs/TFileStream.h"

struct OggOpusEnc;
struct OggOpusComments;

class TOpusOut : public TACSOutput {
 public:
  ~TOpusOut() override;

  // Lines NAME=VALUE for the comment header; emptied after each run.
  const std::vector<std::string>& Comments() const { return FComments; }
  void SetComments(const std::vector<std::string>& comments) { FComments = comments; }
  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& fileName) { FFileName = fileName; }
  // kbit/s, 6 to 510; anything else is refused when a run starts.
  int Bitrate() const { return FBitrate; }
  void SetBitrate(int kbps) { FBitrate = kbps; }

 protected:
  void Prepare() override;
  bool DoOutput(bool Abort) override;
  void Done() override;

 private:
  void SetUpEncoder();
  OggOpusComments* MakeComments() const;
  // Why the encoder stopped: a refused write, or the encoder's own error code.
  std::string EncoderError(int code) const;
  void CloseEncoder();

  std::vector<std::string> FComments;
  std::string FFileName;
  int FBitrate = 160;

  std::unique_ptr<TFileStream> FStream;
  bool FWriteFailed = false;
  OggOpusEnc* FEncoder = nullptr;
  std::array<std::uint8_t, 16384> FBuffer{};
  std::int32_t FCarried = 0;  // bytes of a partial frame kept from the last read
  std::vector<std::int16_t> FSamples;
  int FChannels = 2;
  int FBits = 16;

  friend struct OpusEncoderCallbacks;
};
