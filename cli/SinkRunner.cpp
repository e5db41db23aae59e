#include "cli/SinkRunner.h"

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>

#include "acs/ACS_Classes.h"
#include "cli/CliSupport.h"

namespace {

void DrawProgress(int percent) {
  if (percent < 0) return;
  constexpr int kWidth = 40;
  const int filled = percent * kWidth / 100;
  char line[64];
  std::snprintf(line, sizeof line, "[%.*s%*s] %3d%%", filled, "########################################",
                kWidth - filled, "", percent);
  ShowProgressLine(line);
}

}  // namespace

std::string RunToEnd(TACSOutput& sink) {
  // Shared with the handler: after Ctrl-C the sink may still end its run while this function is gone.
  struct Ending {
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
  };
  auto ending = std::make_shared<Ending>();
  sink.SetOnProgress([](TACSOutput* sender) { DrawProgress(sender->Progress()); });
  sink.SetOnDone([ending](TACSOutput*) {
    std::lock_guard<std::mutex> guard(ending->lock);
    ending->done = true;
    ending->finished.notify_all();
  });
  sink.Run();
  {
    std::unique_lock<std::mutex> wait(ending->lock);
    while (!ending->finished.wait_for(wait, std::chrono::milliseconds(100), [&] { return ending->done; }))
      if (Interrupted()) {
        ClearProgressLine();
        throw Interruption();
      }
  }
  ClearProgressLine();
  return sink.RunError();
}
