#pragma once
// MP3 files: TMP3Out encodes the PCM of its input through the LAME library, bound by name at the first
// construction of a sink and kept for the rest of the process.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "acs/ACS_Classes.h"
#include "acs/TFileStream.h"

struct lame_global_struct;

// Constant bit rates of the MP3 stream; each value stands for the kilobits per second in its name.
enum TMP3BitRate : std::uint8_t {
  br8, br16, br24, br32, br40, br48, br56, br64, br80,
  br96, br112, br128, br144, br160, br192, br224, br256, br320
};

int KilobitsPerSecond(TMP3BitRate bitRate);
// False when no TMP3BitRate stands for that many kilobits per second.
bool BitRateOfKilobits(int kilobits, TMP3BitRate& bitRate);

class TMP3Out : public TACSOutput {
 public:
  // Throws EACSException "lame_enc.dll library could not be loaded." when LAME cannot be bound.
  TMP3Out();
  ~TMP3Out() override;

  TMP3BitRate BitRate() const { return FBitRate; }
  void SetBitRate(TMP3BitRate bitRate) { FBitRate = bitRate; }
  // Not every bit rate exists at every sample rate (144 kbit/s only below 32 kHz, for one): by default the
  // nearest that does is written; an exact bit rate refuses the others with EACSException naming them.
  bool ExactBitRate() const { return FExactBitRate; }
  void SetExactBitRate(bool exact) { FExactBitRate = exact; }
  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& fileName) { FFileName = fileName; }
  const std::string& Id3TagTitle() const { return FId3TagTitle; }
  void SetId3TagTitle(const std::string& text) { FId3TagTitle = text; }
  const std::string& Id3TagArtist() const { return FId3TagArtist; }
  void SetId3TagArtist(const std::string& text) { FId3TagArtist = text; }
  const std::string& Id3TagAlbum() const { return FId3TagAlbum; }
  void SetId3TagAlbum(const std::string& text) { FId3TagAlbum = text; }
  const std::string& Id3TagYear() const { return FId3TagYear; }
  void SetId3TagYear(const std::string& text) { FId3TagYear = text; }
  const std::string& Id3TagTrack() const { return FId3TagTrack; }
  void SetId3TagTrack(const std::string& text) { FId3TagTrack = text; }
  const std::string& Id3TagComment() const { return FId3TagComment; }
  void SetId3TagComment(const std::string& text) { FId3TagComment = text; }

 protected:
  void Prepare() override;
  bool DoOutput(bool Abort) override;
  void Done() override;

 private:
  void SetUpEncoder();
  // Reads the next block from the input as 16-bit PCM; the byte count, 0 at the end.
  int ReadBlock();
  bool WriteMP3(int bytes);
  void WriteInfoFrame();
  void PassTags();
  void CloseEncoder();

  std::string FFileName;
  std::unique_ptr<TFileStream> FStream;
  std::array<std::uint8_t, 16384> FBuffer{};
  TMP3BitRate FBitRate = br128;
  bool FExactBitRate = false;
  lame_global_struct* FLame = nullptr;
  std::unique_ptr<std::uint8_t[]> FMP3Buffer;
  std::int32_t FMP3BufferSize = 17440;
  std::string FId3TagTitle;
  std::string FId3TagArtist;
  std::string FId3TagAlbum;
  std::string FId3TagYear;
  std::string FId3TagTrack;
  std::string FId3TagComment;
  int FBits = 16;
  int FChannels = 2;
};
