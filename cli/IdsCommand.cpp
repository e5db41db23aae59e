#include "cli/IdsCommand.h"

#include <cstdio>

#include "cd/CdDrives.h"
#include "cd/MusicBrainzDiscId.h"
#include "cli/CliSupport.h"
#include "platform/akrip32/CddbClient.h"

int RunIds(const std::string& drive) {
  CdDrives drives;
  if (!SelectDrive(drives, drive)) return Fail("No such drive: " + drive);
  DiscReading reading = drives.ReadTableOfContents(OutputFormat::MP3);
  if (!reading.message.empty()) return Fail(reading.message);
  const TableOfContents& toc = drives.Toc();
  // The ID the CDDB query sends: every track, data tracks included.
  CddbDisc disc;
  for (int k = 0; k < toc.TrackCount(); ++k) disc.trackStarts.push_back(toc.entries[static_cast<std::size_t>(k)].start);
  disc.leadout = toc.Leadout();
  std::printf("CDDB: %08x\nMusicBrainz: %s\n", CddbDiscIdOf(disc), MusicBrainzDiscId(toc).c_str());
  return 0;
}
