#include "rip/DriveReader.h"

DriveReader::DriveReader() : FThread([shared = FShared] { Work(shared); }) {}

DriveReader::~DriveReader() {
  Abandon();
  if (FThread.joinable()) FThread.join();
}

void DriveReader::Abandon() {
  {
    std::lock_guard<std::mutex> guard(FShared->lock);
    FShared->ending = true;
    if (!FShared->pending) {
      FShared->changed.notify_all();
      return;
    }
  }
  if (FThread.joinable()) FThread.detach();
}

void DriveReader::Start(HCDROM handle, const TRACKBUF& request) {
  {
    std::lock_guard<std::mutex> guard(FShared->lock);
    FShared->handle = handle;
    FShared->reading = 1 - FDone;
    TRACKBUF& buffer = *FShared->buffers[FShared->reading];
    buffer.startFrame = request.startFrame;  // what is asked, not the audio
    buffer.numFrames = request.numFrames;
    buffer.maxLen = request.maxLen;
    FShared->cancel = false;
    FShared->pending = true;
  }
  FShared->changed.notify_all();
}

bool DriveReader::Wait(std::chrono::milliseconds time) {
  std::unique_lock<std::mutex> guard(FShared->lock);
  if (!FShared->changed.wait_for(guard, time, [this] { return !FShared->pending; })) return false;
  FUnreadable = FShared->unreadable;
  FDone = FShared->reading;
  return true;
}

bool DriveReader::Busy() {
  std::lock_guard<std::mutex> guard(FShared->lock);
  return FShared->pending || FShared->reading != FDone;
}

void DriveReader::Work(const std::shared_ptr<Shared>& shared) {
  std::unique_lock<std::mutex> guard(shared->lock);
  while (true) {
    shared->changed.wait(guard, [&] { return shared->ending || shared->pending; });
    if (!shared->pending) return;
    HCDROM handle = shared->handle;
    TRACKBUF* buffer = shared->buffers[shared->reading].get();
    guard.unlock();
    ReadCDAudioLBA(handle, buffer, &shared->cancel);
    std::vector<std::uint32_t> unreadable = UnreadableCDBlocks(handle);
    guard.lock();
    shared->unreadable = std::move(unreadable);
    shared->pending = false;
    shared->changed.notify_all();
    if (shared->ending) return;
  }
}
