#include "rip/DriveReader.h"

#include <cstring>

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
    std::memcpy(FShared->buffer.get(), &request, sizeof request);
    FShared->cancel = false;
    FShared->pending = true;
  }
  FShared->changed.notify_all();
}

bool DriveReader::Wait(std::chrono::milliseconds time) {
  std::unique_lock<std::mutex> guard(FShared->lock);
  if (!FShared->changed.wait_for(guard, time, [this] { return !FShared->pending; })) return false;
  std::memcpy(FResult.get(), FShared->buffer.get(), sizeof(TRACKBUF));
  FUnreadable = FShared->unreadable;
  return true;
}

void DriveReader::Work(const std::shared_ptr<Shared>& shared) {
  std::unique_lock<std::mutex> guard(shared->lock);
  while (true) {
    shared->changed.wait(guard, [&] { return shared->ending || shared->pending; });
    if (!shared->pending) return;
    HCDROM handle = shared->handle;
    TRACKBUF* buffer = shared->buffer.get();
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
