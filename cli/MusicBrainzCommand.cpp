#include "cli/MusicBrainzCommand.h"

#include <cstdio>

#include "cd/CdDrives.h"
#include "cd/MusicBrainzLookup.h"
#include "cd/TrackNaming.h"
#include "cli/CliSupport.h"
#include "platform/ProgramFolder.h"
#include "platform/inifile/TIniFile.h"

namespace {

int Usage() {
  std::fputs(
      "usage: quillon-cli musicbrainz DRIVE [--server URL] [--release N]\n"
      "Lists the releases that hold the disc (Release: lines) and names the tracks after release N (default 1).\n"
      "The server comes from the key server of the section [MusicBrainz] in settings.ini\n"
      "(https://musicbrainz.org).\n",
      stderr);
  return 2;
}

struct Options {
  std::string drive;
  int release = 1;
};

bool Parse(const std::vector<std::string>& args, Options& options, MusicBrainzServer& server) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("--", 0) != 0) {
      if (!options.drive.empty()) return false;
      options.drive = arg;
      continue;
    }
    if (++i == args.size() || args[i].empty()) return false;
    if (arg == "--server")
      server.server = args[i];
    else if (arg == "--release") {
      if (!ParseNumber(args[i], 1, 1000, options.release)) return false;
    } else
      return false;
  }
  return !options.drive.empty();
}

}  // namespace

void PrintReleases(std::FILE* out, const std::vector<MusicBrainzRelease>& releases) {
  int number = 1;
  for (const MusicBrainzRelease& release : releases)
    std::fprintf(out, "Release: %d\t%s\t%s\t%s\t%s\t%s\t%s\n", number++, release.artist.c_str(), release.title.c_str(),
                 release.date.c_str(), release.country.c_str(), release.label.c_str(), release.format.c_str());
}

int RunMusicBrainz(const std::vector<std::string>& args) {
  TIniFile settings(SettingsFile());
  MusicBrainzServer server = ReadMusicBrainzServer(&settings);
  Options options;
  if (!Parse(args, options, server)) return Usage();
  CdDrives drives;
  if (!SelectDrive(drives, options.drive)) return Fail("No such drive: " + options.drive);
  DiscReading reading = drives.ReadTableOfContents(OutputFormat::MP3);
  if (!reading.message.empty()) return Fail(reading.Problem());
  MusicBrainzResult result = LookUpMusicBrainz(drives.Toc(), server, KeepWaiting);
  StopWhenInterrupted();
  if (result.outcome != MusicBrainzOutcome::Found) return Fail(result.message);
  if (options.release > static_cast<int>(result.releases.size()))
    return Fail("There are " + std::to_string(result.releases.size()) + " releases, not " + std::to_string(options.release));
  PrintReleases(stdout, result.releases);
  const MusicBrainzRelease& chosen = result.releases[static_cast<std::size_t>(options.release - 1)];
  std::printf("ID: %s\nArtist: %s\nTitle: %s\nType: %s\n", result.discId.c_str(), chosen.artist.c_str(),
              chosen.title.c_str(), chosen.format.c_str());
  std::vector<std::string> names = LookedUpNames(chosen.metadata, reading.rows, OutputFormat::MP3, ReadNamingOptions(&settings));
  for (std::size_t k = 0; k < reading.rows.size(); ++k)
    std::printf("%s\t%s\n", reading.rows[k].number.c_str(), names[k].c_str());
  return 0;
}
