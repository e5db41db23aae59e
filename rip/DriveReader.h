#pragma once
// Reads the drive on a thread of its own, so that the thread of the job can keep its window alive while
// the drive works its way through a damaged stretch of the disc.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/akrip32/akrip32.h"

class DriveReader {
 public:
  DriveReader();
  ~DriveReader();
  DriveReader(const DriveReader&) = delete;
  DriveReader& operator=(const DriveReader&) = delete;

  // Starts ReadCDAudioLBA of the buffer; the buffer is the reader's until Wait says it is done.
  void Start(HCDROM handle, TRACKBUF* buffer);
  // True once the read has finished; waits at most the given time.
  bool Wait(std::chrono::milliseconds time);
  // The blocks the finished read could not read.
  const std::vector<std::uint32_t>& Unreadable() const { return FUnreadable; }

 private:
  void Work();

  std::mutex FLock;
  std::condition_variable FChanged;
  HCDROM FHandle = 0;
  TRACKBUF* FBuffer = nullptr;  // the read asked for, until it is done
  bool FEnding = false;
  std::vector<std::uint32_t> FUnreadable;
  std::thread FThread;
};
