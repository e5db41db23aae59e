#include "rip/EncodingWorker.h"

#include <cstdio>
#include <exception>

EncodingWorker::EncodingWorker(const TrackEncoder& encoder, std::string wavPath, std::string outputPath,
                               TrackTags tags, const std::atomic<bool>& cancel, std::function<void()> changed)
    : FWavPath(std::move(wavPath)),
      FOutputPath(std::move(outputPath)),
      FChanged(std::move(changed)),
      FThread([this, &encoder, tags = std::move(tags), &cancel] { Work(encoder, tags, cancel); }) {}

EncodingWorker::~EncodingWorker() { FThread.join(); }

void EncodingWorker::Work(const TrackEncoder& encoder, const TrackTags& tags, const std::atomic<bool>& cancel) {
  State state = State::Failed;
  try {
    EncodeResult result = encoder.Encode(FWavPath, FOutputPath, tags, [this](int percent) { FProgress = percent; },
                                         cancel);
    if (result.status == EncodeResult::Status::Done) state = State::Done;
    else if (result.status == EncodeResult::Status::Cancelled) state = State::Cancelled;
    else FFailure = {result.error, false, result.closesWindow};
  } catch (const std::exception& error) {
    FFailure = {error.what(), true, false};
  }
  std::remove(FWavPath.c_str());
  if (state == State::Done) FProgress = 100;
  FState = state;
  FChanged();
}
