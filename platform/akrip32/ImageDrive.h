#pragma once
// A disc image described by a CUE sheet, listed as a drive.

#include <filesystem>
#include <memory>

#include "platform/akrip32/CdMedium.h"

class ImageDrive : public CdDriveEntry {
 public:
  explicit ImageDrive(std::string cueSheet);
  std::string Identification() const override;
  std::unique_ptr<CdMedium> Open() override;
  std::string OpenError() const override;
  std::string Source() const override { return FCueSheet; }

 private:
  std::string FCueSheet;
  std::string FOpenError;
};

// The drive of an image list's value. "bincue:SHEET.cue" and "cdrdao:FILE.toc" open the image through
// libcdio's own image driver, read by the same code as a drive of the machine; any other value is a CUE
// sheet that ImageDrive reads.
std::shared_ptr<CdDriveEntry> MakeImageDrive(const std::string& value);
// The value with its path taken from folder on, its driver's prefix kept.
std::string ImageValueIn(const std::filesystem::path& folder, const std::string& value);
