#include "tests/acs/TestStreams.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace teststreams {

int MemorySource::GetData(void* buffer, int bufferSize) {
  if (!FBusy) throw EACSException("The Stream is not opened");
  std::int64_t left = std::int64_t(FBytes.size()) - FPosition;
  int count = static_cast<int>(std::min<std::int64_t>(bufferSize, left));
  if (count <= 0) return 0;
  if (FPosition >= failAt) throw EACSException("Stream read error");
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

std::vector<std::uint8_t> Music(int frames, int channels, int bits) {
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < frames; ++i) {
    double t = i / 44100.0;
    for (int c = 0; c < channels; ++c) {
      double value = 0.4 * std::sin(2 * M_PI * (c == 0 ? 440 : 660) * t) + 0.2 * std::sin(2 * M_PI * (200 + 300 * t) * t);
      if (bits == 8) {
        bytes.push_back(static_cast<std::uint8_t>(128 + std::lround(value * 127)));
      } else {
        auto sample = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(value * 32767)));
        bytes.push_back(static_cast<std::uint8_t>(sample));
        bytes.push_back(static_cast<std::uint8_t>(sample >> 8));
      }
    }
  }
  return bytes;
}

std::vector<double> Samples(const std::vector<std::uint8_t>& bytes, int bits) {
  std::vector<double> samples;
  if (bits == 8) {
    for (std::uint8_t b : bytes) samples.push_back((b - 128) / 128.0);
    return samples;
  }
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    samples.push_back(static_cast<std::int16_t>(bytes[i] | bytes[i + 1] << 8) / 32768.0);
  return samples;
}

double Correlation(const std::vector<double>& a, const std::vector<double>& b) {
  double ab = 0, aa = 0, bb = 0;
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    ab += a[i] * b[i];
    aa += a[i] * a[i];
    bb += b[i] * b[i];
  }
  return ab / std::sqrt(aa * bb);
}

bool WaitFor(const std::function<bool()>& condition) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

std::string RunToEnd(TACSOutput& sink) {
  auto done = std::make_shared<std::atomic<bool>>(false);  // a run that outlives the wait still finds it
  sink.SetOnDone([done](TACSOutput*) { *done = true; });
  sink.Run();
  if (!WaitFor([&] { return done->load(); })) return "the run did not end";
  return sink.RunError();
}

}  // namespace teststreams
