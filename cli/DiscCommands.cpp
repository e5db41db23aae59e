#include "cli/DiscCommands.h"

#include <cstdio>

#include "cd/CdDrives.h"
#include "platform/ProgramFolder.h"

namespace {

bool IsIndex(const std::string& text) {
  return !text.empty() && text.size() < 3 && text.find_first_not_of("0123456789") == std::string::npos;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "error: %s\n", message.c_str());
  return 1;
}

// A drive index selects from the program's drive list; a path makes that image the only drive.
bool SelectDrive(CdDrives& drives, const std::string& drive) {
  if (IsIndex(drive)) {
    UseCDImagesOf(ProgramFolder() + "settings.ini");
  } else {
    SetPhysicalDrivesEnabled(false);
    SetCDImageFiles({drive});
  }
  if (!drives.ReadDriveList()) return false;
  int index = IsIndex(drive) ? std::stoi(drive) : 0;
  if (index >= drives.DriveCount()) return false;
  drives.SetCurrentIndex(index);
  return true;
}

}  // namespace

int RunDrives() {
  UseCDImagesOf(ProgramFolder() + "settings.ini");
  CdDrives drives;
  if (!drives.ReadDriveList()) return Fail("No CD drive found");
  int index = 0;
  for (const std::string& identification : drives.Identifications())
    std::printf("%d\t%s\n", index++, identification.c_str());
  return 0;
}

int RunToc(const std::string& drive) {
  CdDrives drives;
  if (!SelectDrive(drives, drive)) return Fail("No such drive: " + drive);
  DiscReading reading = drives.ReadTableOfContents(OutputFormat::MP3);
  if (!reading.message.empty()) return Fail(reading.message);
  const TableOfContents& toc = drives.Toc();
  std::printf("First: %d\nLast: %d\nLeadout: %u\nDiscID: %s\n", toc.firstTrack, toc.lastTrack, toc.Leadout(),
              CddbDiscId(toc).c_str());
  for (std::size_t k = 0; k < reading.rows.size(); ++k) {
    const TrackRow& row = reading.rows[k];
    std::printf("%s\t%s\t%s\t%s\t%s\t%u\n", row.number.c_str(), row.name.c_str(), row.length.c_str(), row.size.c_str(),
                row.blocks.c_str(), toc.entries[k].start);
  }
  return 0;
}
