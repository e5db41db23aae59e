#include "platform/akrip32/PhysicalDrive.h"

#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <cstring>

namespace {

constexpr int kParanoiaRetries = 20;

// Paranoia's callback has no user pointer; reads of one thread are tracked here.
thread_local bool gBlockSkipped = false;

void NoteSkip(long, paranoia_cb_mode_t mode) {
  if (mode == PARANOIA_CB_SKIP || mode == PARANOIA_CB_READERR) gBlockSkipped = true;
}

std::string Trimmed(const char* text) {
  std::string value(text);
  value.erase(value.find_last_not_of(' ') + 1);
  value.erase(0, value.find_first_not_of(' '));
  return value;
}

class PhysicalMedium : public CdMedium {
 public:
  PhysicalMedium(CdIo_t* cdio, DiscLayout layout) : FCdio(cdio), FLayout(std::move(layout)) {
    FDrive = cdio_cddap_identify_cdio(FCdio, CDDA_MESSAGE_FORGETIT, nullptr);
    if (FDrive != nullptr && cdio_cddap_open(FDrive) == 0) {
      FParanoia = cdio_paranoia_init(FDrive);
      cdio_paranoia_modeset(FParanoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    }
  }

  ~PhysicalMedium() override {
    if (FParanoia != nullptr) cdio_paranoia_free(FParanoia);
    if (FDrive != nullptr) cdio_cddap_close_no_free_cdio(FDrive);
    cdio_destroy(FCdio);
  }

  const DiscLayout& Layout() const override { return FLayout; }

  bool ReadBlocks(std::int32_t lba, std::int32_t count, std::uint8_t* out) override {
    return FParanoia != nullptr ? ReadCorrected(lba, count, out) : ReadPlain(lba, count, out);
  }

 private:
  bool ReadCorrected(std::int32_t lba, std::int32_t count, std::uint8_t* out) {
    bool complete = true;
    cdio_paranoia_seek(FParanoia, lba, SEEK_SET);
    for (std::int32_t i = 0; i < count; ++i, out += CD_BLOCK_BYTES) {
      gBlockSkipped = false;
      const int16_t* block = cdio_paranoia_read_limited(FParanoia, NoteSkip, kParanoiaRetries);
      if (block == nullptr || gBlockSkipped) {
        std::memset(out, 0, CD_BLOCK_BYTES);
        complete = false;
      } else {
        std::memcpy(out, block, CD_BLOCK_BYTES);
      }
    }
    return complete;
  }

  // Without paranoia (the drive refused its own interface) each block is read directly, with retries.
  bool ReadPlain(std::int32_t lba, std::int32_t count, std::uint8_t* out) {
    bool complete = true;
    for (std::int32_t i = 0; i < count; ++i, out += CD_BLOCK_BYTES) {
      bool read = false;
      for (int attempt = 0; attempt < 3 && !read; ++attempt)
        read = cdio_read_audio_sectors(FCdio, out, lba + i, 1) == DRIVER_OP_SUCCESS;
      if (!read) {
        std::memset(out, 0, CD_BLOCK_BYTES);
        complete = false;
      }
    }
    return complete;
  }

  CdIo_t* FCdio;
  DiscLayout FLayout;
  cdrom_drive_t* FDrive = nullptr;
  cdrom_paranoia_t* FParanoia = nullptr;
};

bool ReadLayout(CdIo_t* cdio, DiscLayout& layout) {
  track_t first = cdio_get_first_track_num(cdio);
  track_t count = cdio_get_num_tracks(cdio);
  if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) return false;
  for (track_t t = first; t < first + count; ++t) {
    lsn_t start = cdio_get_track_lsn(cdio, t);
    if (start == CDIO_INVALID_LSN) return false;
    layout.tracks.push_back({t, start, cdio_get_track_format(cdio, t) == TRACK_FORMAT_AUDIO});
  }
  layout.leadout = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
  return layout.leadout != CDIO_INVALID_LSN;
}

}  // namespace

PhysicalDrive::PhysicalDrive(std::string device) : FDevice(std::move(device)), FIdentification(FDevice) {
  CdIo_t* cdio = cdio_open(FDevice.c_str(), DRIVER_DEVICE);
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
  CdIo_t* cdio = cdio_open(FDevice.c_str(), DRIVER_DEVICE);
  if (cdio == nullptr) return nullptr;
  DiscLayout layout;
  if (!ReadLayout(cdio, layout)) {
    cdio_destroy(cdio);
    return nullptr;
  }
  return std::make_unique<PhysicalMedium>(cdio, std::move(layout));
}

std::vector<std::string> PhysicalDrive::DeviceNames() {
  std::vector<std::string> names;
  char** devices = cdio_get_devices(DRIVER_DEVICE);
  for (char** device = devices; device != nullptr && *device != nullptr; ++device) names.emplace_back(*device);
  cdio_free_device_list(devices);
  return names;
}

bool PhysicalDrive::HasDoor() const {
  cdio_drive_read_cap_t read = 0;
  cdio_drive_write_cap_t write = 0;
  cdio_drive_misc_cap_t misc = 0;
  cdio_get_drive_cap_dev(FDevice.c_str(), &read, &write, &misc);
  return (misc & CDIO_DRIVE_CAP_MISC_EJECT) != 0;
}

bool PhysicalDrive::OpenDoor() { return cdio_eject_media_drive(FDevice.c_str()) == DRIVER_OP_SUCCESS; }

bool PhysicalDrive::CloseDoor() { return cdio_close_tray(FDevice.c_str(), nullptr) == DRIVER_OP_SUCCESS; }
