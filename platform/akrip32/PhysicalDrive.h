#pragma once
// A CD drive, read through libcdio: a drive of the machine, or any other libcdio source read through a
// reader of the caller's (the tests' drives that fail on purpose).

#include <cdio/cdio.h>

#include <functional>

#include "platform/akrip32/CdMedium.h"
#include "platform/akrip32/SectorReader.h"

class PhysicalDrive : public CdDriveEntry {
 public:
  using ReaderMaker = std::function<std::unique_ptr<SectorReader>(CdIo_t*)>;

  explicit PhysicalDrive(std::string device);
  PhysicalDrive(std::string source, driver_id_t driver, ReaderMaker makeReader);
  std::string Identification() const override;
  std::unique_ptr<CdMedium> Open() override;
  bool HasDoor() const override;
  bool OpenDoor() override;
  bool CloseDoor() override;

  static std::vector<std::string> DeviceNames();

 private:
  std::string FDevice;
  driver_id_t FDriver = DRIVER_DEVICE;
  ReaderMaker FMakeReader;
  std::string FIdentification;
};
