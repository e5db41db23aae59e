#include "cli/IdsCommand.h"

#include <cstdio>

#include "cd/AccurateRip.h"
#include "cd/CdDrives.h"
#include "cd/CtdbToc.h"
#include "cd/MusicBrainzDiscId.h"
#include "cli/CliSupport.h"

int RunIds(const std::string& drive) {
  CdDrives drives;
  if (!SelectDrive(drives, drive)) return Fail("No such drive: " + drive);
  DiscReading reading = drives.ReadTableOfContents(OutputFormat::MP3);
  if (!reading.message.empty()) return Fail(reading.Problem());
  const TableOfContents& toc = drives.Toc();
  // The CDDB ID is the one the CDDB query sends: every track, data tracks included.
  AccurateRipIds ids = AccurateRipIdsOf(toc);
  std::printf("CDDB: %08x\nMusicBrainz: %s\nAccurateRip: %s\nCTDB: %s\n", ids.cddb, MusicBrainzDiscId(toc).c_str(),
              ids.FileName().c_str(), CtdbTocId(toc).c_str());
  return 0;
}
