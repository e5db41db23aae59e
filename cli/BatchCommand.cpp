#include "cli/BatchCommand.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "acs/VorbisBinding.h"
#include "batch/Batch.h"
#include "cd/CdDrives.h"
#include "cli/CliSupport.h"
#include "cli/Usage.h"
#include "platform/ProgramFolder.h"
#include "platform/bladeenc/LameLibrary.h"
#include "platform/files/FileChecks.h"

namespace {

bool ParseFormats(const std::string& text, std::vector<OutputFormat>& formats) {
  std::istringstream list(text);
  std::string item;
  while (std::getline(list, item, ',')) {
    OutputFormat format = OutputFormat::MP3;
    if (item == "wav") format = OutputFormat::WAV;
    else if (item == "mp3") format = OutputFormat::MP3;
    else if (item == "ogg") format = OutputFormat::Ogg;
    else if (item == "flac") format = OutputFormat::FLAC;
    else return false;
    if (std::find(formats.begin(), formats.end(), format) == formats.end()) formats.push_back(format);
  }
  return !formats.empty();
}

// "all", or drive indexes separated by commas.
bool ParseDrives(const std::string& text, bool& all, std::vector<int>& drives) {
  all = text == "all";
  if (all) return true;
  std::istringstream list(text);
  std::string item;
  while (std::getline(list, item, ',')) {
    int index = 0;
    if (!ParseNumber(item, 0, 99, index)) return false;
    if (std::find(drives.begin(), drives.end(), index) == drives.end()) drives.push_back(index);
  }
  return !drives.empty();
}

struct BatchArguments {
  BatchOptions options;
  std::string drives;
  bool allDrives = false;
};

bool Parse(const std::vector<std::string>& args, BatchArguments& parsed) {
  BatchOptions& options = parsed.options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--lookup" || arg == "--again") {
      (arg == "--lookup" ? options.lookup : options.again) = true;
      continue;
    }
    if (arg != "--drives" && arg != "--format" && arg != "--out" && arg != "--settings" && arg != "--batch" &&
        arg != "--discs")
      return WrongArgument(arg.rfind("--", 0) == 0 ? "unknown option " + arg : "unexpected argument " + arg);
    if (++i == args.size()) return WrongArgument(arg + " needs a value");
    const std::string& value = args[i];
    if (arg == "--drives" && !ParseDrives(value, parsed.allDrives, options.drives))
      return WrongArgument("--drives takes drive indexes separated by commas, or all, not " + value);
    if (arg == "--format" && !ParseFormats(value, options.formats))
      return WrongArgument("--format takes wav, mp3, ogg or flac, or several separated by commas, not " + value);
    if (arg == "--discs" && !ParseNumber(value, 1, 1000000, options.discs))
      return WrongArgument("--discs takes a number of discs, not " + value);
    if (arg == "--out") options.folder = value;
    if (arg == "--settings") options.settings = value;
    if (arg == "--batch") options.name = value;
  }
  if (options.drives.empty() && !parsed.allDrives) return WrongArgument("--drives is missing");
  if (options.formats.empty()) return WrongArgument("--format is missing");
  if (options.name.empty() || options.name.find('/') != std::string::npos || options.name[0] == '.')
    return WrongArgument("--batch takes a name without \"/\" that does not start with \".\", not " + options.name);
  return !options.folder.empty() || WrongArgument("--out is missing");
}

// One line per drive on stderr: redrawn in place on a terminal when a line changes, else one line whenever a
// drive's state changes; none when quiet.
class BatchProgressLines : public BatchObserver {
 public:
  explicit BatchProgressLines(std::vector<std::string> drives)
      : FTerminal(isatty(STDERR_FILENO) != 0 && !Quiet()), FLog(!FTerminal && !Quiet()) {
    for (const std::string& drive : drives) FLines[drive] = drive + ": starting";
    if (FTerminal) Draw(false);
  }

  void DriveChanged(const DriveProgress& progress) override {
    std::lock_guard<std::mutex> guard(FLock);
    std::string line = progress.drive + ": " + std::to_string(progress.disc) + "/" +
                       (progress.discs > 0 ? std::to_string(progress.discs) : std::string("…"));
    if (!progress.album.empty()) line += " " + progress.album + " —";
    if (progress.state == "ripping" && progress.tracks > 0)
      line += " track " + std::to_string(progress.track) + "/" + std::to_string(progress.tracks) + " " +
              std::to_string(progress.percent) + "%";
    else line += " " + progress.state;
    const bool changed = FStates[progress.drive] != progress.state;
    const bool redraw = FLines[progress.drive] != line;
    FStates[progress.drive] = progress.state;
    FLines[progress.drive] = line;
    if (FTerminal && redraw) Draw(true);
    else if (FLog && changed) std::fprintf(stderr, "%s\n", line.c_str());
  }
  void DiscFinished(const QueuedDisc&) override {}
  void DriveFailed(const std::string& drive, const std::string& text) override {
    std::lock_guard<std::mutex> guard(FLock);
    if (FTerminal) std::fprintf(stderr, "\033[%zuF\033[J", FLines.size());
    std::fprintf(stderr, "quillon-cli: error: %s: %s\n", drive.c_str(), text.c_str());
    if (FTerminal) Draw(false);
  }

 private:
  void Draw(bool over) {
    if (over) std::fprintf(stderr, "\033[%zuF", FLines.size());
    for (const auto& [drive, line] : FLines) std::fprintf(stderr, "\033[K%s\n", line.c_str());
    std::fflush(stderr);
  }

  bool FTerminal;
  bool FLog;
  std::mutex FLock;
  std::map<std::string, std::string> FLines;
  std::map<std::string, std::string> FStates;
};

std::string ShortName(const CDREC& drive) {
  const std::string source = CDDriveSource(drive);
  return source.empty() ? drive.id : DriveShortName(source);
}

}  // namespace

int RunBatch(const std::vector<std::string>& args) {
  BatchArguments parsed;
  if (!Parse(args, parsed)) return UsageError("batch");
  BatchOptions& options = parsed.options;
  if (options.settings.empty()) options.settings = SettingsFile();
  if (!IsRegularFile(options.settings)) return Fail("Cannot open file " + options.settings);
  UseCDImagesOf(options.settings, ProgramFolder());
  CdDrives drives;
  if (!drives.ReadDriveList()) return Fail("No CD drive found");
  if (parsed.allDrives)
    for (int index = 0; index < drives.DriveCount(); ++index) options.drives.push_back(index);
  std::vector<std::string> names;
  for (int index : options.drives) {
    if (index >= drives.DriveCount()) return Fail("No such drive: " + std::to_string(index));
    drives.SetCurrentIndex(index);
    names.push_back(ShortName(drives.CurrentDrive()));
  }
  try {
    BindVorbisLibraries();
    for (OutputFormat format : options.formats)
      if (format == OutputFormat::MP3 && !BindLame()) return Fail(kLameMissingMessage);
    MakeFolder(options.folder);
    if (!IsFolder(options.folder)) return Fail("Cannot create folder " + options.folder);
    BatchProgressLines lines(names);
    Batch batch(options, lines);
    std::thread watch([&batch] {
      while (!batch.Stopped()) {
        if (Interrupted()) batch.Stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
    });
    batch.Run();
    const bool interrupted = Interrupted();
    batch.Stop();
    watch.join();
    if (interrupted) return InterruptedStatus();
    return batch.Failed() ? 1 : 0;
  } catch (const std::exception& failure) {
    return Fail(failure.what());
  }
}
