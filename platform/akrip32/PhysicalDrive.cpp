#include "platform/akrip32/PhysicalDrive.h"

#include "platform/akrip32/CdioSectorReader.h"
#include "platform/akrip32/PhysicalMedium.h"

namespace {

std::string Trimmed(const char* text) {
  std::string value(text);
  value.erase(value.find_last_not_of(' ') + 1);
  value.erase(0, value.find_first_not_of(' '));
  return value;
}

}  // namespace

PhysicalDrive::PhysicalDrive(std::string device) : PhysicalDrive(std::move(device), DRIVER_DEVICE, DriveReader()) {}

PhysicalDrive::PhysicalDrive(std::string source, driver_id_t driver, ReaderMaker makeReader, std::string identification)
    : FDevice(std::move(source)), FDriver(driver), FMakeReader(std::move(makeReader)), FIdentification(std::move(identification)) {
  if (!FIdentification.empty()) return;
  FIdentification = FDevice;
  CdIo_t* cdio = cdio_open(FDevice.c_str(), FDriver);
  if (cdio == nullptr) return;
  cdio_hwinfo_t info{};
  if (cdio_get_hwinfo(cdio, &info)) {
    std::string text = Trimmed(info.psz_vendor) + " " + Trimmed(info.psz_model) + " " + Trimmed(info.psz_revision);
    FIdentification = text;
  }
  cdio_destroy(cdio);
}

std::string PhysicalDrive::Identification() const { return FIdentification; }

std::unique_ptr<CdMedium> PhysicalDrive::Open() {
  FOpenError.clear();
  CdIo_t* cdio = cdio_open(FDevice.c_str(), FDriver);
  // A drive without a disc is the usual case; an image that cannot be opened is worth its own words.
  if (cdio == nullptr && FDriver != DRIVER_DEVICE) FOpenError = "The disc image " + FDevice + " cannot be opened";
  if (cdio == nullptr) return nullptr;
  return PhysicalMedium::Open(cdio, FMakeReader(cdio));
}

std::string PhysicalDrive::OpenError() const { return FOpenError; }

PhysicalDrive::ReaderMaker PhysicalDrive::DriveReader() {
  return [](CdIo_t* cdio) { return std::make_unique<CdioSectorReader>(cdio); };
}

std::vector<std::string> PhysicalDrive::DeviceNames() {
  std::vector<std::string> names;
  char** devices = cdio_get_devices(DRIVER_DEVICE);
  for (char** device = devices; device != nullptr && *device != nullptr; ++device) names.emplace_back(*device);
  cdio_free_device_list(devices);
  return names;
}

// Only a drive of the machine has a door: libcdio's image drivers must not be asked.
bool PhysicalDrive::HasDoor() const {
  if (FDriver != DRIVER_DEVICE) return false;
  cdio_drive_read_cap_t read = 0;
  cdio_drive_write_cap_t write = 0;
  cdio_drive_misc_cap_t misc = 0;
  cdio_get_drive_cap_dev(FDevice.c_str(), &read, &write, &misc);
  return (misc & CDIO_DRIVE_CAP_MISC_EJECT) != 0;
}

bool PhysicalDrive::OpenDoor() { return HasDoor() && cdio_eject_media_drive(FDevice.c_str()) == DRIVER_OP_SUCCESS; }

bool PhysicalDrive::CloseDoor() { return HasDoor() && cdio_close_tray(FDevice.c_str(), nullptr) == DRIVER_OP_SUCCESS; }
