#include "platform/akrip32/ImageDrive.h"

#include <cstring>

#include "platform/akrip32/CueImage.h"
#include "platform/akrip32/PhysicalDrive.h"

namespace {

struct LibcdioImage {
  const char* name;  // the value's prefix, without its colon
  driver_id_t driver;
};
constexpr LibcdioImage kLibcdioImages[] = {{"bincue", DRIVER_BINCUE}, {"cdrdao", DRIVER_CDRDAO}};

// The image driver a value names before its path, or nullptr for a plain CUE sheet.
const LibcdioImage* LibcdioImageOf(const std::string& value) {
  for (const LibcdioImage& image : kLibcdioImages)
    if (value.rfind(std::string(image.name) + ":", 0) == 0) return &image;
  return nullptr;
}

std::size_t PrefixLength(const LibcdioImage* image) { return image == nullptr ? 0 : std::strlen(image->name) + 1; }

std::string ImageIdentification(const std::string& path) {
  return "Image: " + std::filesystem::path(path).filename().string();
}

}  // namespace

ImageDrive::ImageDrive(std::string cueSheet) : FCueSheet(std::move(cueSheet)) {}

std::string ImageDrive::Identification() const { return ImageIdentification(FCueSheet); }

std::unique_ptr<CdMedium> ImageDrive::Open() {
  FOpenError.clear();
  return CueImage::Load(FCueSheet, FOpenError);
}

std::string ImageDrive::OpenError() const { return FOpenError; }

std::shared_ptr<CdDriveEntry> MakeImageDrive(const std::string& value) {
  const LibcdioImage* image = LibcdioImageOf(value);
  if (image == nullptr) return std::make_shared<ImageDrive>(value);
  std::string path = value.substr(PrefixLength(image));
  return std::make_shared<PhysicalDrive>(path, image->driver, PhysicalDrive::DriveReader(),
                                         ImageIdentification(path) + " (" + image->name + ")");
}

std::string ImageValueIn(const std::filesystem::path& folder, const std::string& value) {
  std::size_t prefix = PrefixLength(LibcdioImageOf(value));
  return value.substr(0, prefix) + (folder / value.substr(prefix)).string();
}
