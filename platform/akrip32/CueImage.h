#pragma once
// The audio of a CUE sheet and the files it names (BINARY, MOTOROLA or WAVE), addressed as one disc.

#include "platform/akrip32/CdMedium.h"

class CueImage : public CdMedium {
 public:
  // Reads the sheet and checks every file it names; nullptr with a reason in error when it cannot.
  static std::unique_ptr<CueImage> Load(const std::string& cueSheet, std::string& error);
  ~CueImage() override;

  const DiscLayout& Layout() const override { return FLayout; }
  BlockRead ReadBlocks(std::int32_t lba, std::int32_t count, std::uint8_t* out) override;

  enum class FileFormat { Binary, Motorola, Wave };
  struct ImageFile {
    std::string path;
    FileFormat format = FileFormat::Binary;
    int fd = -1;
    std::int64_t dataOffset = 0;
    std::int64_t dataBytes = 0;
    std::int32_t firstBlock = 0;
    std::int32_t blocks = 0;
  };

 private:
  CueImage() = default;
  bool ReadBlock(const ImageFile* file, std::int32_t lba, std::uint8_t* out);
  bool ReadFromFile(const ImageFile& file, std::int32_t lba, std::int32_t count, std::uint8_t* out);
  const ImageFile* FileAt(std::int32_t lba) const;

  std::vector<ImageFile> FFiles;
  DiscLayout FLayout;
};
