#include "cli/CddbCommand.h"

#include <cstdio>

#include "cd/CddbLookup.h"
#include "cli/CliSupport.h"
#include "platform/ProgramFolder.h"
#include "platform/inifile/TIniFile.h"

namespace {

int Usage() {
  std::fputs(
      "usage: quillon-cli cddb DRIVE [--server HOST[:PORT]] [--email ADDRESS]\n"
      "Without options the server and e-mail address come from the keys server and email of the section\n"
      "[CDDB] in settings.ini (gnudb.gnudb.org and quillon@localhost). Public servers such as gnudb answer\n"
      "only clients that give a real e-mail address.\n",
      stderr);
  return 2;
}

// The options override the "CDDB" section of the program folder's settings.ini.
bool Parse(const std::vector<std::string>& args, std::string& drive, CddbServer& server) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("--", 0) != 0) {
      if (!drive.empty()) return false;
      drive = arg;
      continue;
    }
    if (++i == args.size() || args[i].empty()) return false;
    if (arg == "--server")
      server.server = args[i];
    else if (arg == "--email")
      server.email = args[i];
    else
      return false;
  }
  return !drive.empty();
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
  TIniFile settings(ProgramFolder() + "settings.ini");
  CddbServer server = ReadCddbServer(&settings);
  std::string drive;
  if (!Parse(args, drive, server)) return Usage();
  CdDrives drives;
  if (!SelectDrive(drives, drive)) return Fail("No such drive: " + drive);
  // The rows are named as the track list names them at start, with "MP3" chosen.
  CddbLookupResult result = LookUpDisc(drives, OutputFormat::MP3, server, [](const std::string&) {});
  if (!result.information) return Fail(result.message);
  PrintLookup(result);
  return 0;
}
