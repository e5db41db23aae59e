#include "cli/SinkRunner.h"

#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "acs/ACS_Classes.h"

namespace {

void DrawProgress(int percent) {
  if (percent < 0) return;
  constexpr int kWidth = 40;
  int filled = percent * kWidth / 100;
  std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################", kWidth - filled, "",
               percent);
}

}  // namespace

std::string RunToEnd(TACSOutput& sink) {
  std::mutex lock;
  std::condition_variable finished;
  bool done = false;
  bool terminal = isatty(STDERR_FILENO) != 0;
  sink.SetOnProgress([terminal](TACSOutput* sender) {
    if (terminal) DrawProgress(sender->Progress());
  });
  sink.SetOnDone([&](TACSOutput*) {
    std::lock_guard<std::mutex> guard(lock);
    done = true;
    finished.notify_all();
  });
  sink.Run();
  {
    std::unique_lock<std::mutex> wait(lock);
    finished.wait(wait, [&] { return done; });
  }
  if (terminal) std::fputs("\n", stderr);
  return sink.RunError();
}
