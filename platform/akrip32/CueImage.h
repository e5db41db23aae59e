#pragma once
// The audio of a CUE sheet and the files it names (BINARY, MOTOROLA, WAVE, FLAC or AIFF), addressed as one
// disc.

#include "platform/akrip32/CdMedium.h"
#include "platform/akrip32/FlacImageFile.h"

class CueImage : public CdMedium {
 public:
  // Reads the sheet and checks every file it names; nullptr with a reason in error when it cannot.
  static std::unique_ptr<CueImage> Load(const std::string& cueSheet, std::string& error);
  ~CueImage() override;

  const DiscLayout& Layout() const override { return FLayout; }
  BlockRead ReadBlocks(std::int32_t lba, std::int32_t count, std::uint8_t* out, const std::atomic<bool>* cancel) override;
  bool ReadsExactly() const override { return true; }
  DiscCodes Codes() override { return FCodes; }
  DiscText Text() override { return FText; }
  GapDetection DetectGaps(const GapProgress&, const std::atomic<bool>*) override { return GapDetection::Sheet; }

  enum class FileFormat { Binary, Motorola, Wave, Flac, Aiff };
  struct FileLine {
    std::string name;
    std::string type;
  };
  struct ImageFile {
    std::string path;
    FileFormat format = FileFormat::Binary;
    int fd = -1;
    std::int64_t dataOffset = 0;
    std::int64_t dataBytes = 0;
    std::int32_t blocks = 0;
    std::unique_ptr<FlacImageFile> flac;  // the decoder of a FLAC file, which owns its descriptor
  };

 private:
  static constexpr int kSilence = -1;
  // A stretch of the disc: blocks of one file from fileBlock on, or silence (file kSilence).
  struct Segment {
    int file;
    std::int32_t firstBlock;
    std::int32_t blocks;
    std::int32_t fileBlock;
  };
  struct PlacedTrack {
    int number;
    int file;
    long start;  // INDEX 01 in its file
    long pregap;
    long postgap;
    bool audio;
  };

  CueImage() = default;
  bool OpenFiles(const std::vector<FileLine>& lines, const std::string& cueSheet, std::string& error);
  bool Place(const std::vector<PlacedTrack>& tracks, const std::string& cueSheet, std::string& error);
  template <typename AddSegment>
  void FinishFile(const PlacedTrack& last, AddSegment& addSegment);
  bool ReadFromFile(const ImageFile& file, std::int32_t block, std::int32_t count, std::uint8_t* out);
  bool ReadSegment(const Segment& segment, std::int32_t lba, std::int32_t count, std::uint8_t* out);
  const Segment* SegmentAt(std::int32_t lba) const;
  std::int32_t DiscAddressOf(int file, long block) const;

  std::vector<ImageFile> FFiles;
  std::vector<int> FFileOfLine;  // the index in FFiles of each FILE line's file
  std::vector<Segment> FSegments;
  DiscLayout FLayout;
  DiscCodes FCodes;
  DiscText FText;
};
