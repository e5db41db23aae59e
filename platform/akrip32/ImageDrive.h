#pragma once
// A disc image described by a CUE sheet, listed as a drive.

#include "platform/akrip32/CdMedium.h"

class ImageDrive : public CdDriveEntry {
 public:
  explicit ImageDrive(std::string cueSheet);
  std::string Identification() const override;
  std::unique_ptr<CdMedium> Open() override;
  std::string OpenError() const override;

 private:
  std::string FCueSheet;
  std::string FOpenError;
};
