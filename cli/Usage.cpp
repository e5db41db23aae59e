#include "cli/Usage.h"

#include <cstdio>
#include <map>

namespace {

const std::map<std::string, std::string>& Usages() {
  static const std::map<std::string, std::string> usages = {
      {"drives", "quillon-cli drives\n"},
      {"toc", "quillon-cli toc DRIVE\n"},
      {"rip",
       "quillon-cli rip DRIVE --format wav|mp3|ogg|flac|opus[,...] --out DIR\n"
       "                [--tracks 1,3,5] [--settings FILE] [--offset SAMPLES]\n"
       "                [--read-mode verify|secure|burst] [--test-and-copy]\n"
       "                [--de-emphasis] [--one-file] [--lookup [--release N]]\n"
       "                [--name TEMPLATE]\n"
       "  Prints NN, FILE, CRC32, the AccurateRip verdict and how the track was read,\n"
       "  for each file as it is finished.\n"},
      {"batch",
       "quillon-cli batch --drives 0,2,3|all --format flac[,mp3] --out DIR [--lookup]\n"
       "                  [--settings FILE] [--batch NAME] [--discs N] [--again]\n"
       "  Rips the discs that each drive is fed (by hand, or by [Batch] load command)\n"
       "  into DIR, the drives at once; the queue DIR/.quillon-batch.sqlite resumes a\n"
       "  batch that was stopped or killed, and DIR/NAME.report.json and .csv (NAME:\n"
       "  batch) tell what became of every disc.\n"},
      {"checksums", "quillon-cli checksums DRIVE [--offset SAMPLES] [--settings FILE]\n"},
      {"verify", "quillon-cli verify DRIVE [--offset SAMPLES] [--settings FILE]\n"},
      {"offset",
       "quillon-cli offset DRIVE [--save] [--settings FILE]\n"
       "  Finds the drive's read offset from a disc of 3 or more tracks that\n"
       "  AccurateRip knows; --save stores it in [Drive Offsets] (without it, it is\n"
       "  stored when AccurateRip's drive list or 3 discs agree).\n"},
      {"ids", "quillon-cli ids DRIVE\n"},
      {"verify-log", "quillon-cli verify-log FILE\n"},
      {"cddb",
       "quillon-cli cddb DRIVE [--server HOST[:PORT]] [--email ADDRESS]\n"
       "  Without options the server and e-mail address come from the keys server\n"
       "  and email of the section [CDDB] in settings.ini (gnudb.gnudb.org and\n"
       "  quillon@localhost). Public servers such as gnudb answer only clients that\n"
       "  give a real e-mail address.\n"},
      {"musicbrainz", "quillon-cli musicbrainz DRIVE [--server URL] [--release N]\n"},
      {"convert",
       "quillon-cli convert IN OUT [--bitrate KBPS] [--quality PERCENT] [--cpu 1|2|3]\n"
       "                   [--level 0-8]\n"
       "  KBPS: 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 192, 224,\n"
       "  256 or 320 for MP3 (default 128); any of 8 to 320 for Opus (default 160)\n"
       "  .wav to .ogg, .mp3, .flac or .opus; .ogg to .wav or .mp3; .flac to .wav,\n"
       "  .mp3 or .ogg\n"},
      {"mix",
       "quillon-cli mix IN1 IN2 OUT [--concatenate] [--volume1 0-255]\n"
       "               [--volume2 0-255]\n"},
      {"tag",
       "quillon-cli tag show FILE\n"
       "quillon-cli tag write FILE [--title T] [--artist A] [--album B] [--track N]\n"
       "                           [--year Y] [--genre G] [--comment C]\n"
       "quillon-cli tag remove FILE\n"},
      {"devices", "quillon-cli devices\n"},
      {"play", "quillon-cli play FILE.ogg\n"},
      {"record",
       "quillon-cli record OUT.wav --seconds N [--rate 11025|22050|44100] [--bits 8|16]\n"
       "                   [--channels 1|2]\n"},
      {"help",
       "quillon-cli help [COMMAND]\n"
       "  Lists the commands, or shows one; COMMAND -h and COMMAND --help do the same.\n"},
  };
  return usages;
}

const char* const kCommandOrder[] = {"drives", "toc",     "rip",     "batch", "checksums", "verify", "offset",
                                     "ids",    "verify-log", "cddb", "musicbrainz", "convert", "mix",
                                     "tag",    "devices", "play",    "record", "help"};

std::string& Problem() {
  static std::string problem;
  return problem;
}

}  // namespace

int ShowHelp() {
  std::fputs("usage:\n", stdout);
  for (const char* command : kCommandOrder) std::fputs(Usages().at(command).c_str(), stdout);
  std::fputs(
      "DRIVE is a drive index as 'drives' prints it, or an image: SHEET.cue,\n"
      "bincue:SHEET.cue or cdrdao:FILE.toc.\n"
      "Every command takes -q (--quiet: results and errors only, no progress or\n"
      "notes) and -v (--verbose: also each web request and each reread of blocks\n"
      "that would not verify), wherever they stand.\n"
      "quillon-cli help COMMAND shows one command; quillon-cli --version the version;\n"
      "man quillon-cli the rest.\n"
      "Exit status: 0 success, 1 failure (quillon-cli: error: TEXT on stderr), 2 wrong\n"
      "usage, 130 stopped by Ctrl-C (143, 129, 141 by SIGTERM, SIGHUP, SIGPIPE).\n",
      stdout);
  return 0;
}

int ShowHelp(const std::string& command) {
  auto usage = Usages().find(command);
  if (usage == Usages().end()) {
    WrongArgument("no such command: " + command);
    return UsageError("");
  }
  std::printf("usage: %s", usage->second.c_str());
  return 0;
}

bool WrongArgument(const std::string& problem) {
  if (Problem().empty()) Problem() = problem;
  return false;
}

int UsageError(const std::string& command) {
  if (!Problem().empty()) std::fprintf(stderr, "quillon-cli: %s\n", Problem().c_str());
  auto usage = Usages().find(command);
  if (usage != Usages().end())
    std::fprintf(stderr, "usage: %s", usage->second.c_str());
  else
    std::fputs("usage: quillon-cli COMMAND ...; quillon-cli --help lists the commands\n", stderr);
  return 2;
}

int ShowVersion() {
  std::printf("quillon-cli %s\n", QUILLON_VERSION);
  return 0;
}
