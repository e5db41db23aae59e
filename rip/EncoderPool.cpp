#include "rip/EncoderPool.h"

#include <algorithm>

EncoderPool::EncoderPool(std::size_t places) : FPlaces(std::max<std::size_t>(places, 1)) {}

bool EncoderPool::TryTake() {
  std::lock_guard<std::mutex> guard(FLock);
  if (FTaken >= FPlaces) return false;
  ++FTaken;
  return true;
}

void EncoderPool::Give() {
  std::lock_guard<std::mutex> guard(FLock);
  if (FTaken > 0) --FTaken;
}
