#include "cli/RipCommand.h"

#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <set>
#include <sstream>

#include "acs/ACS_Vorbis.h"
#include "acs/ACS_Wave.h"
#include "cd/CdDrives.h"
#include "cli/CliSupport.h"
#include "cli/RipNaming.h"
#include "platform/ProgramFolder.h"
#include "platform/inifile/TIniFile.h"
#include "rip/RipJob.h"

namespace {

struct RipOptions {
  std::string drive;
  OutputFormat format = OutputFormat::MP3;
  std::string folder;
  std::set<int> tracks;  // empty: every track
  std::string settings;
  RipNamingChoice naming;
};

int Usage() {
  std::fputs("usage: quillon-cli rip DRIVE --format wav|mp3|ogg --out DIR [--tracks 1,3,5] [--settings FILE] [--lookup]\n"
             "       [--name TEMPLATE]\n",
             stderr);
  return 2;
}

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
  else return false;
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
      if (!options.drive.empty()) return false;
      options.drive = arg;
      continue;
    }
    if (++i == args.size()) return false;
    const std::string& value = args[i];
    if (arg == "--format") formatGiven = ParseFormat(value, options.format);
    else if (arg == "--out") options.folder = value;
    else if (arg == "--tracks") { if (!ParseTracks(value, options.tracks)) return false; }
    else if (arg == "--settings") options.settings = value;
    else if (arg == "--name") options.naming.nameTemplate = value;
    else return false;
  }
  return formatGiven && !options.drive.empty() && !options.folder.empty();
}

// Runs the job on this thread: the encoder's reports wait in a queue until the job takes them.
class CliRipHost : public RipHost {
 public:
  void SetCaption(const std::string&) override {}
  void SetButtonCaption(const std::string&) override {}
  void SetGauge(int percent) override {
    if (isatty(STDERR_FILENO) != 0) std::fprintf(stderr, "\r%3d%%", percent);
  }
  void ProcessMessages() override {}
  void ShowError(const std::string& text) override { Report(text); }
  void ShowStandardError(const std::string& text) override { Report(text); }
  void CloseWindow() override {}
  void UncheckRow(std::size_t) override {}
  void ReportReadErrors(const std::string& text) override { Report(text); }
  void Post(std::function<void()> work) override {
    std::lock_guard<std::mutex> guard(FLock);
    FQueue.push_back(std::move(work));
    FArrived.notify_one();
  }

  void RunUntilDone(const RipJob& job) {
    while (job.Running()) {
      std::unique_lock<std::mutex> lock(FLock);
      FArrived.wait(lock, [this] { return !FQueue.empty(); });
      std::function<void()> work = std::move(FQueue.front());
      FQueue.pop_front();
      lock.unlock();
      work();
    }
  }
  bool Failed() const { return FFailed; }

 private:
  void Report(const std::string& text) {
    FFailed = true;
    Fail(text);
  }

  std::mutex FLock;
  std::condition_variable FArrived;
  std::deque<std::function<void()>> FQueue;
  bool FFailed = false;
};

bool BuildInput(const RipOptions& options, CdDrives& drives, RipInput& input, std::string& error) {
  if (!SelectDrive(drives, options.drive)) {
    error = "No such drive: " + options.drive;
    return false;
  }
  DiscReading reading = drives.ReadTableOfContents(options.format);
  if (!reading.message.empty()) {
    error = reading.message;
    return false;
  }
  TIniFile settings(options.settings.empty() ? ProgramFolder() + "settings.ini" : options.settings);
  if (!ReadRipValues(settings, input.values)) {
    error = "Settings.ini not exist!  ";
    return false;
  }
  input.format = options.format;
  input.folder = options.folder;
  input.handle = drives.Handle();
  for (std::size_t k = 0; k < reading.rows.size(); ++k) {
    const TrackRow& track = reading.rows[k];
    int number = drives.Toc().firstTrack + static_cast<int>(k);
    bool checked = options.tracks.empty() || options.tracks.count(number) != 0;
    input.rows.push_back({checked, track.number, track.name, static_cast<std::uint32_t>(std::stoul(track.blocks)),
                          drives.Toc().entries[k].start, drives.Toc().entries[k].audio});
  }
  NameAndTagRows(drives, options.format, options.naming, settings, input.rows);
  input.handle = drives.Handle();  // a lookup reads the disc again
  return true;
}

}  // namespace

int RunRip(const std::vector<std::string>& args) {
  RipOptions options;
  if (!Parse(args, options)) return Usage();
  CdDrives drives;
  RipInput input;
  std::string error;
  if (!BuildInput(options, drives, input, error)) return Fail(error);
  try {
    BindVorbisLibraries();
    TWaveIn waveIn;
    TVorbisOut vorbisOut;
    CliRipHost host;
    RipJob job(host, waveIn, vorbisOut);
    job.Start(std::move(input));
    host.RunUntilDone(job);
    if (isatty(STDERR_FILENO) != 0) std::fputs("\n", stderr);
    for (const std::string& path : job.Finished()) std::printf("%s\n", path.c_str());
    return host.Failed() ? 1 : 0;
  } catch (const std::exception& failure) {
    return Fail(failure.what());
  }
}
