#include "cd/RequestPacing.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <mutex>

#include "platform/files/FileChecks.h"
#include "platform/files/ReplacementFile.h"
#include "platform/http/HttpClient.h"

namespace {

constexpr std::chrono::milliseconds kLockStep{50};

std::int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// The pace file opened and locked for this run, or -1 when it cannot be had (or gaveUp, when keepWaiting
// said no while another run held it). Only a regular file is taken: nothing is written through a link.
int LockedPaceFile(const std::string& paceFile, const std::function<bool()>& keepWaiting, bool& gaveUp) {
  MakeFolderOf(paceFile);
  int handle = ::open(paceFile.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  struct stat info {};
  if (handle >= 0 && (::fstat(handle, &info) != 0 || !S_ISREG(info.st_mode))) {
    ::close(handle);
    return -1;
  }
  while (handle >= 0 && ::flock(handle, LOCK_EX | LOCK_NB) != 0) {
    const bool held = errno == EWOULDBLOCK || errno == EINTR;
    if (held && HttpPause(kLockStep, keepWaiting)) continue;
    gaveUp = held;
    ::close(handle);
    return -1;
  }
  return handle;
}

std::int64_t ReadTime(int handle) {
  char text[32] = {};
  return ::pread(handle, text, sizeof text - 1, 0) > 0 ? std::strtoll(text, nullptr, 10) : 0;
}

// The pace is a courtesy to the service: a time that cannot be written leaves the next run unpaced, no more.
void WriteTime(int handle, std::int64_t ms) {
  const std::string text = std::to_string(ms) + "\n";
  if (::ftruncate(handle, 0) == 0) WriteFully(handle, text.data(), text.size());
}

}  // namespace

bool WaitForTurn(const std::string& paceFile, std::chrono::milliseconds spacing,
                 const std::function<bool()>& keepWaiting) {
  static std::mutex lock;
  static std::int64_t last = 0;  // this process's last request, in ms since the epoch
  std::lock_guard<std::mutex> guard(lock);
  bool gaveUp = false;
  const int handle = paceFile.empty() ? -1 : LockedPaceFile(paceFile, keepWaiting, gaveUp);
  if (gaveUp) return false;
  const std::int64_t previous = std::max(last, handle >= 0 ? ReadTime(handle) : 0);
  // A time ahead of the clock (one set back meanwhile) holds the request for one spacing at most.
  const std::int64_t wait = std::clamp<std::int64_t>(previous + spacing.count() - NowMs(), 0, spacing.count());
  const bool waited = HttpPause(std::chrono::milliseconds(wait), keepWaiting);
  if (waited) {
    last = NowMs();
    if (handle >= 0) WriteTime(handle, last);
  }
  if (handle >= 0) ::close(handle);
  return waited;
}
