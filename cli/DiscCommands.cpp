#include "cli/DiscCommands.h"

#include <cstdio>

#include "cd/CdDrives.h"
#include "cli/CliSupport.h"
#include "platform/ProgramFolder.h"

int RunDrives() {
  UseCDImagesOf(SettingsFile(), ProgramFolder());
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
  if (!reading.message.empty()) return Fail(reading.Problem());
  const TableOfContents& toc = drives.Toc();
  std::printf("First: %d\nLast: %d\nLeadout: %u\nDiscID: %s\n", toc.firstTrack, toc.lastTrack, toc.Leadout(),
              CddbDiscId(toc).c_str());
  const std::vector<TocRow> discRows = toc.Rows();
  for (std::size_t k = 0; k < reading.rows.size(); ++k) {
    const TrackRow& row = reading.rows[k];
    // A data track says so in a column of its own after the others, so that scripts reading audio rows
    // find them as before; so does the hidden audio before the first track.
    std::printf("%s\t%s\t%s\t%s\t%s\t%u%s\n", row.number.c_str(), row.name.c_str(), row.length.c_str(),
                row.size.c_str(), row.blocks.c_str(), discRows[k].start,
                !discRows[k].audio ? "\tdata" : discRows[k].number == 0 ? "\thidden" : "");
  }
  return 0;
}
