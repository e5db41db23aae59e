#include "cli/DiscCommands.h"

#include <cstdio>

#include "cd/CdDrives.h"
#include "cd/CdTextMetadata.h"
#include "cli/CliSupport.h"
#include "platform/ProgramFolder.h"

int RunDrives() {
  UseCDImagesOf(SettingsFile(), DataFolder());
  CdDrives drives;
  if (!drives.ReadDriveList()) return Fail("No CD drive found");
  int index = 0;
  for (const std::string& identification : drives.Identifications())
    std::printf("%d\t%s\n", index++, identification.c_str());
  return 0;
}

namespace {

// The disc's CD-Text, one line for the disc and one per track: "CD-Text", the track number (00 for the
// disc), title, performer and songwriter, tab-separated.
void PrintCdText(const DiscText& text, const TableOfContents& toc) {
  auto print = [](int number, const DiscTextEntry& entry) {
    std::printf("CD-Text\t%02d\t%s\t%s\t%s\n", number, entry.title.c_str(), entry.performer.c_str(),
                entry.songwriter.c_str());
  };
  print(0, text.disc);
  for (std::size_t k = 0; k < text.tracks.size(); ++k) print(toc.firstTrack + static_cast<int>(k), text.tracks[k]);
}

}  // namespace

int RunToc(const std::string& drive) {
  CdDrives drives;
  if (!SelectDrive(drives, drive)) return Fail("No such drive: " + drive);
  DiscReading reading = drives.ReadTableOfContents(OutputFormat::MP3);
  if (!reading.message.empty()) return Fail(reading.Problem());
  const TableOfContents& toc = drives.Toc();
  NameAfterCdText(drives.Text(), reading.rows, OutputFormat::MP3, NamingOptions{});  // as the window names them
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
  if (!drives.Text().Empty()) PrintCdText(drives.Text(), toc);
  return 0;
}
