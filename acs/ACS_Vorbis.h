#pragma once
// Ogg Vorbis files: TVorbisOut encodes the PCM of its input into a new file, TVorbisIn decodes one.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "acs/ACS_Classes.h"
#include "acs/TFileStream.h"
#include "acs/VorbisBinding.h"

class TVorbisOut : public TACSOutput {
 public:
  // Throws EACSException when one of the Ogg Vorbis libraries is not loaded.
  TVorbisOut();
  ~TVorbisOut() override;

  // Lines NAME=VALUE for the comment header; emptied after each run.
  const std::vector<std::string>& Comments() const { return FComments; }
  void SetComments(const std::vector<std::string>& comments) { FComments = comments; }
  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& fileName) { FFileName = fileName; }
  std::int32_t Serial() const { return FSerial; }
  void SetSerial(std::int32_t serial) { FSerial = serial; }
  float Compression() const { return FCompression; }
  void SetCompression(float quality) { FCompression = quality; }

 protected:
  void Prepare() override;
  bool DoOutput(bool Abort) override;
  void Done() override;

 private:
  void SetUpEncoder();
  void WriteHeaderPages();
  int AnalysisInput(int bytes);
  bool WritePage();
  void ClearCodec();

  std::vector<std::string> FComments;
  std::string FFileName;
  std::int32_t FSerial = 0;
  float FCompression = 0.2f;

  std::unique_ptr<TFileStream> FStream;
  std::array<std::uint8_t, 65536> FBuffer{};
  ogg_stream_state FOggStream{};
  ogg_page FPage{};
  ogg_packet FPacket{};
  vorbis_info FInfo{};
  vorbis_comment FComment{};
  vorbis_dsp_state FDsp{};
  vorbis_block FBlock{};
  bool FEndOfStream = false;
  int FChannels = 0;
  int FBits = 16;
};

class TVorbisIn : public TACSFileIn {
 public:
  // Throws EACSException when one of the Ogg Vorbis libraries is not loaded.
  TVorbisIn();
  ~TVorbisIn() override;

  int GetData(void* buffer, int bufferSize) override;
  void OpenFile() override;
  void CloseFile() override;
  std::int32_t TotalTime() const { return FTotalTime; }

 private:
  bool OpenDecoder();
  void CloseDecoder();
  void Fill();

  std::array<std::uint8_t, 8192> FBuffer{};
  std::unique_ptr<TFileStream> FStream;
  OggVorbis_File FDecoder{};
  bool FDecoderOpen = false;
  bool FReadFailed = false;  // the decoder takes a read error for the end of the file
  int FSection = -1;
  bool FEndOfData = false;

  friend struct VorbisDecoderCallbacks;
};
