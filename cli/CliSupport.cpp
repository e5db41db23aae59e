#include "cli/CliSupport.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <exception>
#include <mutex>

#include "cd/CdDrives.h"
#include "platform/ProgramFolder.h"
#include "platform/VerboseNotes.h"

namespace {
std::atomic<Loudness> gLoudness{Loudness::Normal};
std::mutex gLineLock;
std::string gProgressLine;  // the text on the terminal's last line, empty when none is shown
std::atomic<int> gSignal{0};  // lock-free, so the signal handler may set it; the first signal counts
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnInterrupt(int signal) {
  int none = 0;
  gSignal.compare_exchange_strong(none, signal);
}

bool IsIndex(const std::string& text) {
  return !text.empty() && text.size() < 3 && text.find_first_not_of("0123456789") == std::string::npos;
}
}  // namespace

void CatchInterrupt() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  // A hangup or a broken pipe that the caller chose to ignore (nohup, a reader that wants write errors)
  // stays ignored.
  for (int signal : {SIGHUP, SIGPIPE}) {
    struct sigaction before {};
    sigaction(signal, nullptr, &before);
    if (before.sa_handler != SIG_IGN) sigaction(signal, &action, nullptr);
  }
}

bool Interrupted() { return gSignal != 0; }

int InterruptedStatus() { return 128 + gSignal; }

bool KeepWaiting() { return !Interrupted(); }

void StopWhenInterrupted() {
  if (Interrupted()) throw Interruption();
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "quillon-cli: error: %s\n", message.c_str());
  return 1;
}

void SetLoudness(Loudness loudness) {
  gLoudness = loudness;
  if (loudness == Loudness::Verbose) SetVerboseNotes([](const std::string& note) { Note(note); });
  else SetVerboseNotes(nullptr);
}

bool Quiet() { return gLoudness == Loudness::Quiet; }

void Note(const std::string& text) {
  if (Quiet()) return;
  std::lock_guard<std::mutex> guard(gLineLock);
  if (!gProgressLine.empty()) std::fputs("\r\033[K", stderr);
  std::fprintf(stderr, "%s\n", text.c_str());
  if (!gProgressLine.empty()) std::fputs(gProgressLine.c_str(), stderr);
}

void ShowProgressLine(const std::string& text) {
  if (Quiet() || isatty(STDERR_FILENO) == 0) return;
  std::lock_guard<std::mutex> guard(gLineLock);
  if (text == gProgressLine) return;
  gProgressLine = text;
  std::fprintf(stderr, "\r\033[K%s", text.c_str());
}

void ClearProgressLine() {
  std::lock_guard<std::mutex> guard(gLineLock);
  if (gProgressLine.empty()) return;
  std::fputs("\r\033[K", stderr);
  gProgressLine.clear();
}

int FailWarning(const std::string& warning) {
  std::size_t first = warning.find_first_not_of(' ');
  std::size_t last = warning.find_last_not_of(' ');
  return Fail(first == std::string::npos ? std::string() : warning.substr(first, last - first + 1));
}

bool ParseNumber(const std::string& text, int low, int high, int& value) {
  try {
    std::size_t used = 0;
    value = std::stoi(text, &used);
    return used == text.size() && value >= low && value <= high;
  } catch (const std::exception&) {
    return false;
  }
}

bool SelectDrive(CdDrives& drives, const std::string& drive) {
  if (IsIndex(drive)) {
    UseCDImagesOf(SettingsFile(), DataFolder());
  } else {
    SetPhysicalDrivesEnabled(false);
    SetCDImageFiles({drive});
  }
  if (!drives.ReadDriveList()) return false;
  int index = IsIndex(drive) ? std::stoi(drive) : 0;
  if (index >= drives.DriveCount()) return false;
  drives.SetCurrentIndex(index);
  return true;
}
