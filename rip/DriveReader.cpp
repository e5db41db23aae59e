#include "rip/DriveReader.h"

DriveReader::DriveReader() : FThread([this] { Work(); }) {}

DriveReader::~DriveReader() {
  {
    std::lock_guard<std::mutex> guard(FLock);
    FEnding = true;
  }
  FChanged.notify_all();
  FThread.join();
}

void DriveReader::Start(HCDROM handle, TRACKBUF* buffer) {
  {
    std::lock_guard<std::mutex> guard(FLock);
    FHandle = handle;
    FBuffer = buffer;
  }
  FChanged.notify_all();
}

bool DriveReader::Wait(std::chrono::milliseconds time) {
  std::unique_lock<std::mutex> guard(FLock);
  return FChanged.wait_for(guard, time, [this] { return FBuffer == nullptr; });
}

void DriveReader::Work() {
  std::unique_lock<std::mutex> guard(FLock);
  while (true) {
    FChanged.wait(guard, [this] { return FEnding || FBuffer != nullptr; });
    if (FBuffer == nullptr) return;
    HCDROM handle = FHandle;
    TRACKBUF* buffer = FBuffer;
    guard.unlock();
    ReadCDAudioLBA(handle, buffer);
    std::vector<std::uint32_t> unreadable = UnreadableCDBlocks(handle);
    guard.lock();
    FUnreadable = std::move(unreadable);
    FBuffer = nullptr;
    FChanged.notify_all();
  }
}
