#include "cli/CddbCommand.h"

#include <cstdio>

#include "cd/CddbLookup.h"
#include "cli/CliSupport.h"
#include "cli/Usage.h"
#include "platform/ProgramFolder.h"
#include "platform/inifile/TIniFile.h"

namespace {

// The options override the "CDDB" section of the program folder's settings.ini.
bool Parse(const std::vector<std::string>& args, std::string& drive, CddbServer& server) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("--", 0) != 0) {
      if (!drive.empty()) return WrongArgument("unexpected argument " + arg);
      drive = arg;
      continue;
    }
    if (arg != "--server" && arg != "--email") return WrongArgument("unknown option " + arg);
    if (++i == args.size() || args[i].empty()) return WrongArgument(arg + " needs a value");
    (arg == "--server" ? server.server : server.email) = args[i];
  }
  return !drive.empty() || WrongArgument("DRIVE is missing");
}

void PrintLookup(const CddbLookupResult& result) {
  const CdInformation& information = *result.information;
  // What a server sent reaches the terminal without its control characters.
  std::printf("ID: %s\nArtist: %s\nTitle: %s\nType: %s\n", PrintableText(information.discId).c_str(),
              PrintableText(information.artist).c_str(), PrintableText(information.title).c_str(),
              PrintableText(information.category).c_str());
  for (const TrackRow& row : result.rows) std::printf("%s\t%s\n", row.number.c_str(), row.name.c_str());
}

}  // namespace

int RunCddb(const std::vector<std::string>& args) {
  TIniFile settings(SettingsFile());
  CddbServer server = ReadCddbServer(&settings);
  std::string drive;
  if (!Parse(args, drive, server)) return UsageError("cddb");
  CdDrives drives;
  if (!SelectDrive(drives, drive)) return Fail("No such drive: " + drive);
  // The rows are named as the track list names them at start, with "MP3" chosen.
  CddbLookupResult result = LookUpDisc(drives, OutputFormat::MP3, server, [](const std::string&) {}, NamingOptions{},
                                       KeepWaiting);
  StopWhenInterrupted();
  if (!result.information) return Fail(result.message);
  PrintLookup(result);
  return 0;
}
