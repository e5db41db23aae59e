#include "cli/CliSupport.h"

#include <signal.h>

#include <atomic>
#include <cstdio>
#include <exception>

#include "cd/CdDrives.h"
#include "platform/ProgramFolder.h"

namespace {
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
  std::fprintf(stderr, "error: %s\n", message.c_str());
  return 1;
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
    UseCDImagesOf(SettingsFile(), ProgramFolder());
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
