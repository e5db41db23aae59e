#include "rip/FlacTrackEncoder.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "acs/ACS_FLAC.h"
#include "acs/ACS_Wave.h"
#include "rip/TrackTagging.h"

// The sink encodes on its own worker; this thread waits for it, passing its progress on and stopping it
// when the rip is cancelled.
EncodeResult FlacTrackEncoder::Encode(const std::string& wavPath, const std::string& outputPath,
                                      const TrackTags& tags, const std::function<void(int)>& progress,
                                      const std::atomic<bool>& cancel) const {
  std::mutex lock;
  std::condition_variable ended;
  bool done = false;
  TWaveIn wave;
  wave.SetFileName(wavPath);
  TFLACOut flac;
  flac.SetInput(&wave);
  flac.SetDiscardStopped(true);  // a cancelled track leaves the earlier file of its name alone
  flac.SetFileName(outputPath);
  flac.SetCompressionLevel(FLevel);
  flac.SetComments(VorbisCommentsOf(tags));
  flac.SetOnDone([&](TACSOutput*) {
    std::lock_guard<std::mutex> guard(lock);
    done = true;
    ended.notify_all();
  });
  flac.Run();
  bool stopped = false;
  int shown = -1;
  std::unique_lock<std::mutex> guard(lock);
  while (!ended.wait_for(guard, std::chrono::milliseconds(20), [&] { return done; })) {
    int percent = flac.Progress();
    if (percent != shown) progress(shown = percent);
    if (cancel && !stopped) {
      flac.Stop();
      stopped = true;
    }
  }
  guard.unlock();
  std::string error = flac.RunError();
  if (!error.empty()) throw EStreamError(error);
  if (stopped) return {EncodeResult::Status::Cancelled, {}, false};
  progress(100);
  return {};
}
