// quillon-cli: the program's libraries from the command line, for scripts and batch work.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/AudioCommands.h"
#include "cli/CddbCommand.h"
#include "cli/ConvertCommand.h"
#include "cli/DiscCommands.h"
#include "cli/IdsCommand.h"
#include "cli/MixCommand.h"
#include "cli/MusicBrainzCommand.h"
#include "cli/RipCommand.h"
#include "cli/TagCommands.h"

namespace {

int Usage() {
  std::fputs(
      "usage: quillon-cli drives\n"
      "       quillon-cli toc DRIVE\n"
      "       quillon-cli rip DRIVE --format wav|mp3|ogg --out DIR [--tracks 1,3,5] [--settings FILE] [--lookup]\n"
      "                       [--name TEMPLATE]\n"
      "       quillon-cli ids DRIVE\n"
      "       quillon-cli cddb DRIVE [--server HOST[:PORT]] [--email ADDRESS]\n"
      "       quillon-cli musicbrainz DRIVE [--server URL] [--release N]\n"
      "       quillon-cli convert IN OUT [--bitrate KBPS] [--quality PERCENT] [--cpu 1|2|3]\n"
      "       quillon-cli mix IN1 IN2 OUT [--concatenate] [--volume1 0-255] [--volume2 0-255]\n"
      "       quillon-cli tag show FILE\n"
      "       quillon-cli tag write FILE [--title T] [--artist A] [--album B] [--track N] [--year Y] [--genre G]"
      " [--comment C]\n"
      "       quillon-cli tag remove FILE\n"
      "       quillon-cli devices\n"
      "       quillon-cli play FILE.ogg\n"
      "       quillon-cli record OUT.wav --seconds N [--rate 11025|22050|44100] [--bits 8|16] [--channels 1|2]\n"
      "DRIVE is a drive index as 'drives' prints it, or the path of a CUE sheet.\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "drives") return RunDrives();
  if (args.size() == 2 && args[0] == "toc") return RunToc(args[1]);
  if (args.size() == 2 && args[0] == "ids") return RunIds(args[1]);
  if (!args.empty() && args[0] == "rip") return RunRip({args.begin() + 1, args.end()});
  if (!args.empty() && args[0] == "cddb") return RunCddb({args.begin() + 1, args.end()});
  if (!args.empty() && args[0] == "musicbrainz") return RunMusicBrainz({args.begin() + 1, args.end()});
  if (!args.empty() && args[0] == "convert") return RunConvert({args.begin() + 1, args.end()});
  if (!args.empty() && args[0] == "mix") return RunMix({args.begin() + 1, args.end()});
  if (!args.empty() && args[0] == "tag") return RunTag({args.begin() + 1, args.end()});
  if (args.size() == 1 && args[0] == "devices") return RunDevices();
  if (!args.empty() && args[0] == "play") return RunPlay({args.begin() + 1, args.end()});
  if (!args.empty() && args[0] == "record") return RunRecord({args.begin() + 1, args.end()});
  return Usage();
}
