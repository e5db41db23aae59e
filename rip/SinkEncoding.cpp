#include "rip/SinkEncoding.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "acs/ACS_Classes.h"
#include "acs/TFileStream.h"

EncodeResult RunSinkForTrack(TACSOutput& sink, const std::function<void(int)>& progress,
                             const std::atomic<bool>& cancel) {
  std::mutex lock;
  std::condition_variable ended;
  bool done = false;
  sink.SetOnDone([&](TACSOutput*) {
    std::lock_guard<std::mutex> guard(lock);
    done = true;
    ended.notify_all();
  });
  sink.Run();
  bool stopped = false;
  int shown = -1;
  std::unique_lock<std::mutex> guard(lock);
  while (!ended.wait_for(guard, std::chrono::milliseconds(20), [&] { return done; })) {
    int percent = sink.Progress();
    if (percent != shown) progress(shown = percent);
    if (cancel && !stopped) {
      sink.Stop();
      stopped = true;
    }
  }
  guard.unlock();
  std::string error = sink.RunError();
  if (!error.empty()) throw EStreamError(error);
  // A cancel just as the sink ended leaves the file finished: it is kept and reported.
  if (stopped && sink.Stopped()) return {EncodeResult::Status::Cancelled, {}, false};
  progress(100);
  return {};
}
