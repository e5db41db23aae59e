#pragma once
// FLAC files: TFLACOut encodes the PCM of its input losslessly into a new file, checking every frame
// against its own decoding; TFLACIn decodes one.

#include <FLAC/format.h>
#include <FLAC/stream_decoder.h>
#include <FLAC/stream_encoder.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "acs/ACS_Classes.h"
#include "acs/TFileStream.h"

// A picture block of a FLAC file: the front cover.
struct FlacPicture {
  std::string mimeType;
  std::string data;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t depth = 0;  // bits per pixel
};

class TFLACOut : public TACSOutput {
 public:
  ~TFLACOut() override;

  // Lines NAME=VALUE for the Vorbis comment block; emptied after each run.
  const std::vector<std::string>& Comments() const { return FComments; }
  void SetComments(const std::vector<std::string>& comments) { FComments = comments; }
  // The front cover written after the comments; emptied after each run, as they are.
  void SetPicture(FlacPicture picture) { FPicture = std::move(picture); }
  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& fileName) { FFileName = fileName; }
  // 0 (fastest) to 8 (smallest file); anything else is refused when a run starts.
  int CompressionLevel() const { return FCompressionLevel; }
  void SetCompressionLevel(int level) { FCompressionLevel = level; }

 protected:
  void Prepare() override;
  bool DoOutput(bool Abort) override;
  void Done() override;

 private:
  void SetUpEncoder();
  void AddComments();
  void AddPicture();
  // Why the encoder stopped: a refused write, or the encoder's own state.
  std::string EncoderError() const;
  void CloseEncoder();

  std::vector<std::string> FComments;
  std::string FFileName;
  int FCompressionLevel = 5;

  std::unique_ptr<TFileStream> FStream;
  bool FWriteFailed = false;
  FLAC__StreamEncoder* FEncoder = nullptr;
  FLAC__StreamMetadata* FCommentBlock = nullptr;
  FlacPicture FPicture;
  FLAC__StreamMetadata* FPictureBlock = nullptr;
  std::array<std::uint8_t, 16384> FBuffer{};
  std::int32_t FCarried = 0;  // bytes of a partial frame kept from the last read
  std::vector<FLAC__int32> FSamples;
  int FChannels = 2;
  int FBits = 16;

  friend struct FLACEncoderCallbacks;
};

class TFLACIn : public TACSFileIn {
 public:
  ~TFLACIn() override;

  // Delivers 16-bit PCM whatever the file's sample size; mono and stereo files only. A damaged frame, a file
  // that ends before the header's last sample and audio that does not match the MD5 sum are errors.
  int GetData(void* buffer, int bufferSize) override;
  void OpenFile() override;
  void CloseFile() override;

 private:
  bool OpenDecoder();
  void Fill();
  void NoteDamage(const std::string& what);
  void CheckEnd();
  void SeekToPosition();
  void CloseDecoder();

  FLAC__StreamDecoder* FDecoder = nullptr;
  std::unique_ptr<TFileStream> FStream;
  std::vector<std::uint8_t> FBuffer;  // decoded PCM not yet handed out, from FBufStart on
  bool FEndOfData = false;
  bool FReadFailed = false;
  std::string FDamage;  // the first damage the decoder found
  std::uint64_t FTotalSamples = 0;    // as the header gives it; 0 when unknown
  std::uint64_t FDecodedSamples = 0;
  bool FWholeStream = true;  // decoded from the start without a jump, so the end can be checked
  int FFileBits = 16;

  friend struct FLACDecoderCallbacks;
};
