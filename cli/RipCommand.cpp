#include "cli/RipCommand.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <set>
#include <sstream>

#include "acs/VorbisBinding.h"
#include "cd/CdDrives.h"
#include "cli/CliSupport.h"
#include "cli/Usage.h"
#include "cli/RipNaming.h"
#include "platform/ProgramFolder.h"
#include "platform/bladeenc/LameLibrary.h"
#include "platform/files/FileChecks.h"
#include "platform/inifile/TIniFile.h"
#include "rip/RipJob.h"
#include "rip/TimeLeft.h"

namespace {

struct RipOptions {
  std::string drive;
  OutputFormat format = OutputFormat::MP3;
  std::string folder;
  std::set<int> tracks;  // empty: every track
  std::string settings;
  std::optional<int> offset;  // the drive's read offset for this run, instead of the settings'
  bool testAndCopy = false;
  bool deEmphasis = false;
  bool oneFile = false;
  std::optional<RipReadMode> readMode;  // instead of the settings' 
  std::vector<OutputFormat> moreFormats;  // after format, from a list "flac,mp3"

  RipNamingChoice naming;
};

bool ParseTracks(const std::string& text, std::set<int>& tracks) {
  std::istringstream list(text);
  std::string item;
  while (std::getline(list, item, ',')) {
    if (item.empty() || item.find_first_not_of("0123456789") != std::string::npos || item.size() > 2) return false;
    tracks.insert(std::stoi(item));
  }
  return !tracks.empty();
}

bool ParseFormat(const std::string& text, OutputFormat& format) {
  if (text == "wav") format = OutputFormat::WAV;
  else if (text == "mp3") format = OutputFormat::MP3;
  else if (text == "ogg") format = OutputFormat::Ogg;
  else if (text == "flac") format = OutputFormat::FLAC;
  else if (text == "opus") format = OutputFormat::Opus;
  else return false;
  return true;
}

// A list of formats, the first being the rip's own; each format named once.
bool ParseFormats(const std::string& text, RipOptions& options) {
  std::istringstream list(text);
  std::vector<OutputFormat> formats;
  for (std::string item; std::getline(list, item, ',');) {
    OutputFormat format = OutputFormat::MP3;
    if (!ParseFormat(item, format) || std::find(formats.begin(), formats.end(), format) != formats.end()) return false;
    formats.push_back(format);
  }
  if (formats.empty() || text.back() == ',') return false;
  options.format = formats.front();
  options.moreFormats.assign(formats.begin() + 1, formats.end());
  return true;
}

bool Parse(const std::vector<std::string>& args, RipOptions& options) {
  bool formatGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--lookup") {
      options.naming.lookup = true;
      continue;
    }
    if (arg.rfind("--", 0) != 0) {
      if (!options.drive.empty()) return WrongArgument("unexpected argument " + arg);
      options.drive = arg;
      continue;
    }
    if (arg == "--test-and-copy") {
      options.testAndCopy = true;
      continue;
    }
    if (arg == "--de-emphasis") {
      options.deEmphasis = true;
      continue;
    }
    if (arg == "--one-file") {
      options.oneFile = true;
      continue;
    }
    if (arg != "--format" && arg != "--out" && arg != "--tracks" && arg != "--settings" && arg != "--offset" &&
        arg != "--name" && arg != "--release" && arg != "--read-mode")
      return WrongArgument("unknown option " + arg);
    if (++i == args.size()) return WrongArgument(arg + " needs a value");
    const std::string& value = args[i];
    int number = 0;
    RipReadMode mode = RipReadMode::Verify;
    if (arg == "--format") formatGiven = ParseFormats(value, options);
    else if (arg == "--read-mode" && ParseRipReadMode(value, mode)) options.readMode = mode;
    else if (arg == "--read-mode") return WrongArgument("--read-mode takes verify, secure or burst, not " + value);
    else if (arg == "--out") options.folder = value;
    else if (arg == "--tracks") { if (!ParseTracks(value, options.tracks)) return WrongArgument("wrong --tracks: " + value); }
    else if (arg == "--settings") options.settings = value;
    else if (arg == "--name") options.naming.nameTemplate = value;
    else if (arg == "--release" && ParseNumber(value, 1, 1000, number)) options.naming.release = number;
    else if (arg == "--release") return WrongArgument("--release takes the number of a release, not " + value);
    else if (arg == "--offset" && ParseNumber(value, -kMostReadOffset, kMostReadOffset, number)) options.offset = number;
    else return WrongArgument("--offset takes a number of samples, not " + value);
    if (arg == "--format" && !formatGiven)
      return WrongArgument("--format takes wav, mp3, ogg, flac or opus, or several of them, each once, as in "
                           "flac,mp3, not " + value);
  }
  if (options.drive.empty()) return WrongArgument("DRIVE is missing");
  if (!formatGiven) return WrongArgument("--format is missing");
  if (options.naming.release && !options.naming.lookup) return WrongArgument("--release needs --lookup");
  return !options.folder.empty() || WrongArgument("--out is missing");
}

class CliRipHost : public RipHost {
 public:
  CliRipHost(OutputFormat format, int tracks) : FFormat(format), FTracks(tracks) {}

  void SetCaption(const std::string& text) override {
    if (text.rfind("Processing:", 0) == 0) ++FTrack;
    if (text.rfind("Detecting gaps:", 0) == 0) ShowProgressLine(text);
  }
  void SetButtonCaption(const std::string&) override {}
  // One line on a terminal, redrawn: "Track 3/12  45%" for WAV (the track read so far), "Reading track 3/12,
  // job 45%" for the encoded formats, whose tracks are encoded while the next is read; then the time left.
  void SetGauge(int percent) override {
    std::string line = (FFormat == OutputFormat::WAV ? "Track " : "Reading track ") + std::to_string(FTrack) + "/" +
                       std::to_string(FTracks) + (FFormat == OutputFormat::WAV ? "  " : ", job ") +
                       std::to_string(percent) + "%";
    ShowProgressLine(FLeft.empty() ? line : line + ", " + FLeft);
  }
  void ShowJobProgress(int, int, std::optional<int> secondsLeft) override {
    FLeft = secondsLeft ? TimeLeftText(*secondsLeft) : std::string();
  }
  void ClearLine() { ClearProgressLine(); }
  void ProcessMessages() override {
    if (Interrupted() && FJob != nullptr) FJob->SetCancel(true);
  }
  void ShowError(const std::string& text) override { Report(text); }
  void ShowStandardError(const std::string& text) override { Report(text); }
  void CloseWindow() override {}
  void UncheckRow(std::size_t) override {}
  void ReportReadErrors(const std::string& text) override {
    ClearLine();
    Report(text);
  }
  // Each file as it is finished: NN, path, CRC32, the verdicts and how the track was read.
  void ReportTrack(const TrackResult& result) override {
    ClearLine();
    // One line per file: a rip to several formats writes a file of the track in each.
    std::vector<std::string> paths{result.path};
    paths.insert(paths.end(), result.morePaths.begin(), result.morePaths.end());
    for (const std::string& path : paths)
      std::printf("%s\t%s\t%08x\tAccurateRip: %s\tCTDB: %s\t%s\n", result.number.c_str(), path.c_str(),
                  result.sums.crc32, result.verdict.Text().c_str(), result.ctdbVerdict.Text().c_str(),
                  result.readPath.c_str());
    std::fflush(stdout);
  }
  void ReportDisc(const DiscVerdicts& verdicts, const std::string& logPath) override {
    ClearLine();
    Note("AccurateRip: " + verdicts.accurateRip);
    Note("CTDB: " + verdicts.ctdb);
    if (!logPath.empty()) Note("Log: " + logPath);
  }
  bool Failed() const { return FFailed; }
  void SetJob(RipJob* job) { FJob = job; }

 private:
  void Report(const std::string& text) {
    FFailed = true;
    Fail(text);
  }

  bool FFailed = false;
  RipJob* FJob = nullptr;  // cancelled by Ctrl-C
  OutputFormat FFormat;
  int FTracks;
  int FTrack = 0;
  std::string FLeft;  // "about 4 min left", once the job can tell
};

// Why the rip cannot use the settings, naming their file (the window says "Settings.ini not exist!").
std::string SettingsProblem(TIniFile& settings) {
  if (!IsRegularFile(settings.FileName())) return "Cannot open file " + settings.FileName();
  try {
    settings.ReadString("MP3 Options", "dwSampleRate", "");
  } catch (const EIniFileError& failure) {
    return failure.what();
  }
  return "The MP3 sample rate or bit rate in " + settings.FileName() + " is not a number";
}

bool BuildInput(const RipOptions& options, CdDrives& drives, RipInput& input, std::string& error) {
  if (!SelectDrive(drives, options.drive)) {
    error = "No such drive: " + options.drive;
    return false;
  }
  DiscReading reading = drives.ReadTableOfContents(options.format);
  if (!reading.message.empty()) {
    error = reading.Problem();
    return false;
  }
  const std::vector<TocEntry>& entries = drives.Toc().entries;
  if (std::none_of(entries.begin(), entries.end() - 1, [](const TocEntry& entry) { return entry.audio; })) {
    error = "the disc has no audio tracks";
    return false;
  }
  TIniFile settings(options.settings.empty() ? SettingsFile() : options.settings);
  if (!ReadRipValues(settings, input.values)) {
    error = SettingsProblem(settings);
    return false;
  }
  input.format = options.format;
  input.moreFormats = options.moreFormats;
  input.folder = options.folder;
  input.handle = drives.Handle();
  input.toc = drives.Toc();
  input.drive = drives.CurrentDrive().id;
  input.door = drives.CurrentDrive();
  if (options.offset) input.offset = *options.offset;
  else if (!ReadDriveOffset(settings, input.drive, input.offset, error)) return false;
  input.offsetSource = options.offset ? "set with --offset" : DriveOffsetSource(settings, input.drive);
  input.values.testAndCopy = input.values.testAndCopy || options.testAndCopy;
  input.values.deEmphasis = input.values.deEmphasis || options.deEmphasis;
  input.values.oneFile = input.values.oneFile || options.oneFile;
  if (input.values.oneFile && !OneFileProblem(input.format).empty()) {
    error = OneFileProblem(input.format);
    return false;
  }
  input.values.readMode = options.readMode.value_or(input.values.readMode);
  const std::vector<TocRow> discRows = drives.Toc().Rows();
  for (std::size_t k = 0; k < reading.rows.size(); ++k) {
    const TrackRow& track = reading.rows[k];
    bool checked = options.tracks.empty() || options.tracks.count(discRows[k].number) != 0;
    input.rows.push_back({checked, track.number, track.name, discRows[k].blocks, discRows[k].start, discRows[k].audio});
  }
  // An empty error: the release choice was wrong usage.
  if (!NameAndTagRows(drives, options.format, options.naming, settings, input.rows, input.metadataSource)) return false;
  input.handle = drives.Handle();  // a lookup reads the disc again
  return true;
}

}  // namespace

int RunRip(const std::vector<std::string>& args) {
  RipOptions options;
  if (!Parse(args, options)) return UsageError("rip");
  CdDrives drives;
  RipInput input;
  std::string error;
  if (!BuildInput(options, drives, input, error)) return error.empty() ? UsageError("rip") : Fail(error);
  const TableOfContents& toc = drives.Toc();
  const int lowest = toc.hiddenAudio ? 0 : toc.firstTrack;  // 0: the hidden audio
  for (int number : options.tracks)
    if (number < lowest || number > toc.lastTrack) {
      WrongArgument("the disc has no track " + std::to_string(number) + " (it has tracks " +
                    (toc.hiddenAudio ? "0 (the hidden audio before track " + std::to_string(toc.firstTrack) + ") and " : "") +
                    std::to_string(toc.firstTrack) + " to " + std::to_string(toc.lastTrack) + ")");
      return UsageError("rip");
    }
  try {
    BindVorbisLibraries();
    const std::vector<OutputFormat> formats = RipFormats(input);
    if (std::count(formats.begin(), formats.end(), OutputFormat::MP3) > 0 && !BindLame())
      return Fail(kLameMissingMessage);
    CliRipHost host(input.format, int(std::count_if(input.rows.begin(), input.rows.end(),
                                                    [](const RipRow& row) { return row.checked; })));
    RipJob job(host);
    host.SetJob(&job);
    // As the rip window does: a missing output folder is made, parents and all; one that cannot be made
    // shows as the first file that cannot be created.
    MakeFolder(input.folder);
    job.Start(std::move(input));
    host.ClearLine();
    if (Interrupted()) return InterruptedStatus();
    return host.Failed() ? 1 : 0;
  } catch (const std::exception& failure) {
    return Fail(failure.what());
  }
}
