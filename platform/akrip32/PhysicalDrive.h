#pragma once
// A real CD drive, read through libcdio and libcdio-paranoia.

#include "platform/akrip32/CdMedium.h"

class PhysicalDrive : public CdDriveEntry {
 public:
  explicit PhysicalDrive(std::string device);
  std::string Identification() const override;
  std::unique_ptr<CdMedium> Open() override;
  bool HasDoor() const override;
  bool OpenDoor() override;
  bool CloseDoor() override;

  static std::vector<std::string> DeviceNames();

 private:
  std::string FDevice;
  std::string FIdentification;
};
