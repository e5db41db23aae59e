#include "rip/OggTrackEncoder.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "acs/ACS_Vorbis.h"
#include "acs/ACS_Wave.h"
#include "rip/TrackTagging.h"

// The sink encodes on its own worker; this thread waits for it, passing its progress on and stopping it
// when the rip is cancelled.
EncodeResult OggTrackEncoder::Encode(const std::string& wavPath, const std::string& outputPath, const TrackTags& tags,
                                     const std::function<void(int)>& progress,
                                     const std::atomic<bool>& cancel) const {
  std::mutex lock;
  std::condition_variable ended;
  bool done = false;
  TWaveIn wave;
  wave.SetLoop(false);
  wave.SetFileName(wavPath);
  TVorbisOut vorbis;
  vorbis.SetInput(&wave);
  vorbis.SetSuspendWhenIdle(false);
  vorbis.SetDiscardStopped(true);  // a cancelled track leaves the earlier file of its name alone
  vorbis.SetDelay(FDelay);
  vorbis.SetFileName(outputPath);
  vorbis.SetCompression(FQuality);
  vorbis.SetComments(VorbisCommentsOf(tags));
  vorbis.SetOnProgress([&](TACSOutput* sender) { progress(sender->Progress()); });
  vorbis.SetOnDone([&](TACSOutput*) {
    std::lock_guard<std::mutex> guard(lock);
    done = true;
    ended.notify_all();
  });
  vorbis.Run();
  bool stopped = false;
  std::unique_lock<std::mutex> guard(lock);
  while (!ended.wait_for(guard, std::chrono::milliseconds(20), [&] { return done; })) {
    if (cancel && !stopped) {
      vorbis.Stop();
      stopped = true;
    }
  }
  guard.unlock();
  std::string error = vorbis.RunError();
  if (!error.empty()) throw EStreamError(error);
  if (stopped) return {EncodeResult::Status::Cancelled, {}, false};
  return {};
}
