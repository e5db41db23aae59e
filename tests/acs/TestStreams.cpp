#include "tests/acs/TestStreams.h"

#include <algorithm>
#include <cstring>

namespace teststreams {

int MemorySource::GetData(void* buffer, int bufferSize) {
  if (!FBusy) throw EACSException("The Stream is not opened");
  std::int64_t left = std::int64_t(FBytes.size()) - FPosition;
  int count = static_cast<int>(std::min<std::int64_t>(bufferSize, left));
  if (count <= 0) return 0;
  std::memcpy(buffer, FBytes.data() + FPosition, static_cast<std::size_t>(count));
  FPosition += count;
  return count;
}

void MemorySource::Init() {
  ++inits;
  FBusy = true;
  FPosition = 0;
  FSize = FHideSize ? -1 : static_cast<std::int32_t>(FBytes.size());
}

bool CountingSink::DoOutput(bool Abort) {
  bool result;
  if (!OutputStepStarts(Abort, result)) return result;
  if (blockMilliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(blockMilliseconds));
  if (onBlock) onBlock();
  std::uint8_t buffer[100];
  int got = FInput->GetData(buffer, sizeof buffer);
  if (got <= 0) return false;
  ++blocks;
  bytes += got;
  return true;
}

std::vector<std::uint8_t> Bytes(std::size_t count) {
  std::vector<std::uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return bytes;
}

bool WaitFor(const std::function<bool()>& condition) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace teststreams
