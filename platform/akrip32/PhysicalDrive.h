#pragma once
// A CD drive, read through libcdio: a drive of the machine, a disc image opened through libcdio's own image
// driver, or any other libcdio source read through a reader of the caller's (the tests' drives that fail on
// purpose).

#include <cdio/cdio.h>

#include <functional>

#include "platform/akrip32/CdMedium.h"
#include "platform/akrip32/SectorReader.h"

class PhysicalDrive : public CdDriveEntry {
 public:
  using ReaderMaker = std::function<std::unique_ptr<SectorReader>(CdIo_t*)>;

  explicit PhysicalDrive(std::string device);
  // Without an identification of its own the drive is named as libcdio describes its hardware.
  PhysicalDrive(std::string source, driver_id_t driver, ReaderMaker makeReader, std::string identification = {});
  std::string Identification() const override;
  std::unique_ptr<CdMedium> Open() override;
  std::string OpenError() const override;
  bool HasDoor() const override;
  bool OpenDoor() override;
  bool CloseDoor() override;
  std::string Source() const override { return FDevice; }

  static std::vector<std::string> DeviceNames();
  // What reads a drive of the machine: libcdio's own reads.
  static ReaderMaker DriveReader();

 private:
  std::string FDevice;
  driver_id_t FDriver = DRIVER_DEVICE;
  ReaderMaker FMakeReader;
  std::string FIdentification;
  std::string FOpenError;
};
