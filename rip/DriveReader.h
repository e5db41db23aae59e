#pragma once
// Reads the drive on a thread of its own, so that the thread of the job can keep its window alive while the
// drive works its way through a damaged stretch of the disc, and can end a job at once when a drive command
// does not come back: the reader is then abandoned, and its thread ends when the command returns.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
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

  // Starts ReadCDAudioLBA of a copy of the request (its first six words), into the other of two buffers: the
  // caller may go on with the last finished read meanwhile (reading ahead).
  void Start(HCDROM handle, const TRACKBUF& request);
  // True once the read has finished; waits at most the given time.
  bool Wait(std::chrono::milliseconds time);
  // Whether a read was started and has not been waited for to its end.
  bool Busy();
  // The last finished read, until a second Start after it: the buffer as ReadCDAudioLBA left it, and the
  // blocks it could not read.
  const TRACKBUF& Result() const { return *FShared->buffers[FDone]; }
  const std::vector<std::uint32_t>& Unreadable() const { return FUnreadable; }
  // Ends the read going on at its next drive command.
  void Cancel() { FShared->cancel = true; }
  // Leaves a read that has not finished to its thread; the reader takes no further read.
  void Abandon();

 private:
  // What the thread shares with the reader; it outlives an abandoned reader until the thread ends.
  struct Shared {
    std::mutex lock;
    std::condition_variable changed;
    HCDROM handle = 0;
    std::unique_ptr<TRACKBUF> buffers[2] = {std::make_unique<TRACKBUF>(), std::make_unique<TRACKBUF>()};
    int reading = 1;  // the buffer being read into, or last read into
    bool pending = false;
    bool ending = false;
    std::atomic<bool> cancel{false};
    std::vector<std::uint32_t> unreadable;
  };
  static void Work(const std::shared_ptr<Shared>& shared);

  std::shared_ptr<Shared> FShared = std::make_shared<Shared>();
  std::vector<std::uint32_t> FUnreadable;
  int FDone = 1;  // the buffer of the last finished read
  std::thread FThread;
};
