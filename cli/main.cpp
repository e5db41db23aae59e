// quillon-cli: the program's libraries from the command line, for scripts and batch work.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/AccuracyCommands.h"
#include "cli/AudioCommands.h"
#include "cli/BatchCommand.h"
#include "cli/CddbCommand.h"
#include "cli/CliSupport.h"
#include "cli/ConvertCommand.h"
#include "cli/DiscCommands.h"
#include "cli/IdsCommand.h"
#include "cli/MixCommand.h"
#include "cli/MusicBrainzCommand.h"
#include "cli/RipCommand.h"
#include "cli/TagCommands.h"
#include "cli/Usage.h"

namespace {

// A command without arguments of its own.
int WithoutArguments(const std::string& command, const std::vector<std::string>& rest, int (*run)()) {
  if (!rest.empty()) {
    WrongArgument("unexpected argument " + rest[0]);
    return UsageError(command);
  }
  return run();
}

// A command whose one argument is the drive.
int WithOneDrive(const std::string& command, const std::vector<std::string>& rest, int (*run)(const std::string&)) {
  if (rest.size() == 1 && rest[0].rfind("--", 0) != 0) return run(rest[0]);
  WrongArgument(rest.empty() ? "DRIVE is missing" : command + " takes one DRIVE, not " + rest.back());
  return UsageError(command);
}

int Dispatch(const std::vector<std::string>& args) {
  if (args.empty()) return UsageError("");
  const std::string& command = args[0];
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "--help" || command == "-h" || (command == "help" && rest.empty())) return ShowHelp();
  if (command == "help" && rest.size() == 1) return ShowHelp(rest[0]);
  if (command == "--version") return ShowVersion();
  if (std::find(rest.begin(), rest.end(), "--help") != rest.end() || std::find(rest.begin(), rest.end(), "-h") != rest.end())
    return ShowHelp(command);
  if (command == "drives") return WithoutArguments(command, rest, RunDrives);
  if (command == "devices") return WithoutArguments(command, rest, RunDevices);
  if (command == "toc") return WithOneDrive(command, rest, RunToc);
  if (command == "rip") return RunRip(rest);
  if (command == "batch") return RunBatch(rest);
  if (command == "checksums") return RunChecksums(rest);
  if (command == "verify") return RunVerify(rest);
  if (command == "offset") return RunOffset(rest);
  if (command == "ids") return WithOneDrive(command, rest, RunIds);
  if (command == "musicbrainz") return RunMusicBrainz(rest);
  if (command == "verify-log") return RunVerifyLog(rest);
  if (command == "cddb") return RunCddb(rest);
  if (command == "convert") return RunConvert(rest);
  if (command == "mix") return RunMix(rest);
  if (command == "tag") return RunTag(rest);
  if (command == "play") return RunPlay(rest);
  if (command == "record") return RunRecord(rest);
  WrongArgument("no such command: " + command);
  return UsageError("");
}

// Takes -q/--quiet and -v/--verbose out of the arguments, wherever they stand; the last one given counts.
std::vector<std::string> WithoutLoudness(std::vector<std::string> args) {
  Loudness loudness = Loudness::Normal;
  std::vector<std::string> rest;
  for (std::string& arg : args) {
    if (arg == "-q" || arg == "--quiet") loudness = Loudness::Quiet;
    else if (arg == "-v" || arg == "--verbose") loudness = Loudness::Verbose;
    else rest.push_back(std::move(arg));
  }
  SetLoudness(loudness);
  return rest;
}

// What was printed must have reached its reader: a full disk or a closed pipe is a failure, not a success.
int WithOutputWritten(int status) {
  if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return status;
  const int error = errno;
  Fail(std::string("the output could not be written: ") + std::strerror(error));
  return status == 0 ? 1 : status;
}

}  // namespace

int main(int argc, char* argv[]) {
  CatchInterrupt();
  try {
    return WithOutputWritten(Dispatch(WithoutLoudness({argv + 1, argv + argc})));
  } catch (const Interruption&) {
    return InterruptedStatus();
  }
}
