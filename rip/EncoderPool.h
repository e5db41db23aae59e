#pragma once
// The encoder threads that several rip jobs share, as a batch on several drives runs them: a job starts an
// encoding only once it has taken one of the pool's places, and the encoding gives it back when it ends, so
// that the drives together never run more encodings than the pool has places.

#include <cstddef>
#include <mutex>

class EncoderPool {
 public:
  explicit EncoderPool(std::size_t places);
  EncoderPool(const EncoderPool&) = delete;
  EncoderPool& operator=(const EncoderPool&) = delete;

  // False when every place is taken.
  bool TryTake();
  // Called on the encoding's own thread as it ends.
  void Give();
  std::size_t Places() const { return FPlaces; }

 private:
  std::mutex FLock;
  const std::size_t FPlaces;
  std::size_t FTaken = 0;
};
