#include "rip/FlacTrackEncoder.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "acs/ACS_FLAC.h"
#include "acs/ACS_Wave.h"

TrackEncodeResult EncodeFlacTrack(const FlacTrack& track, const std::function<void(int percent)>& progress,
                                  const std::function<bool()>& cancelled) {
  struct Ending {
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
  };
  auto ending = std::make_shared<Ending>();
  TWaveIn source;
  source.SetFileName(track.wavPath);
  TFLACOut sink;
  sink.SetInput(&source);
  sink.SetFileName(track.flacPath);
  sink.SetCompressionLevel(track.level);
  sink.SetComments(track.comments);
  sink.SetDiscardStopped(true);
  sink.SetOnDone([ending](TACSOutput*) {
    std::lock_guard<std::mutex> guard(ending->lock);
    ending->done = true;
    ending->finished.notify_all();
  });
  try {
    sink.Run();
  } catch (const std::exception& error) {
    return {TrackEncodeEnd::Failed, error.what()};
  }
  bool stopped = false;
  int shown = -1;
  for (;;) {
    {
      std::unique_lock<std::mutex> wait(ending->lock);
      if (ending->finished.wait_for(wait, std::chrono::milliseconds(20), [&] { return ending->done; })) break;
    }
    int percent = sink.Progress();
    if (percent != shown) progress(shown = percent);
    if (!stopped && cancelled()) {
      sink.Stop();
      stopped = true;
    }
  }
  std::string error = sink.RunError();
  if (!error.empty()) return {TrackEncodeEnd::Failed, error};
  if (stopped) return {TrackEncodeEnd::Cancelled, {}};
  if (shown != 100) progress(100);
  return {};
}
