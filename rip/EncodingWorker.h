#pragma once
// One track's encoding on a thread of its own. The job starts one per track it has read, as many at a time as
// it has encoder threads, and looks at their state between its other work: nothing here reaches the window.

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "rip/TrackEncoder.h"

class EncodingWorker {
 public:
  enum class State { Running, Done, Cancelled, Failed };
  struct Failure {
    std::string text;
    bool standard = false;      // an error of files, for the application's standard error box
    bool closesWindow = false;  // the encoder could not start
  };

  // Encodes wavPath into outputPath and removes wavPath, however the encoding ends; changed is called on the
  // worker's thread once the state is no longer Running.
  EncodingWorker(const TrackEncoder& encoder, std::string wavPath, std::string outputPath, TrackTags tags,
                 const std::atomic<bool>& cancel, std::function<void()> changed);
  // Waits for the encoding to end.
  ~EncodingWorker();
  EncodingWorker(const EncodingWorker&) = delete;
  EncodingWorker& operator=(const EncodingWorker&) = delete;

  State GetState() const { return FState; }
  int Progress() const { return FProgress; }
  // Valid once the state is Failed.
  const Failure& GetFailure() const { return FFailure; }

 private:
  void Work(const TrackEncoder& encoder, const TrackTags& tags, const std::atomic<bool>& cancel);

  std::string FWavPath;
  std::string FOutputPath;
  std::function<void()> FChanged;
  std::atomic<int> FProgress{0};
  Failure FFailure;
  std::atomic<State> FState{State::Running};
  std::thread FThread;  // last: it starts at once and uses everything above
};
