#include "platform/akrip32/ImageDrive.h"

#include <filesystem>

#include "platform/akrip32/CueImage.h"

ImageDrive::ImageDrive(std::string cueSheet) : FCueSheet(std::move(cueSheet)) {}

std::string ImageDrive::Identification() const {
  return "Image: " + std::filesystem::path(FCueSheet).filename().string();
}

std::unique_ptr<CdMedium> ImageDrive::Open() {
  FOpenError.clear();
  return CueImage::Load(FCueSheet, FOpenError);
}

std::string ImageDrive::OpenError() const { return FOpenError; }
