#pragma once
// Sources and sinks for testing the stream components: PCM from memory, and a sink that counts.

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "acs/ACS_Classes.h"

namespace teststreams {

// Delivers the bytes it holds; a size of -1 hides the length, as a live source would.
class MemorySource : public TACSInput {
 public:
  explicit MemorySource(std::vector<std::uint8_t> bytes, int channels = 2, int bits = 16, int rate = 44100)
      : FBytes(std::move(bytes)), FChannels(channels), FBits(bits), FRate(rate) {}
  int GetBitsPerSample() override { return FBits; }
  int GetChannels() override { return FChannels; }
  int GetSampleRate() override { return FRate; }
  int GetData(void* buffer, int bufferSize) override;
  void Init() override;
  void Flush() override { FBusy = false; }
  void HideSize() { FHideSize = true; }
  int inits = 0;
  std::int64_t failAt = INT64_MAX;  // from this position on, reads fail as a broken disk would

 private:
  std::vector<std::uint8_t> FBytes;
  int FChannels, FBits, FRate;
  bool FHideSize = false;
};

// Takes blocks of up to 100 bytes from its input and counts them; each block may take a while.
class CountingSink : public TACSOutput {
 public:
  ~CountingSink() override { TerminateWorker(); }
  std::atomic<int> blocks{0}, dones{0}, prepares{0};
  std::atomic<std::int64_t> bytes{0};
  std::atomic<int> blockMilliseconds{0};  // changed by the test while the worker runs
  std::function<void()> onBlock;  // may throw, to stand for a sink that fails

 protected:
  void Prepare() override {
    ++prepares;
    FInput->Init();
  }
  bool DoOutput(bool Abort) override;
  void Done() override {
    ++dones;
    FInput->Flush();
  }
};

std::vector<std::uint8_t> Bytes(std::size_t count);

// Two tones and a sweep, so that a codec that mixes up samples or channels loses the likeness.
std::vector<std::uint8_t> Music(int frames, int channels, int bits);
// The samples of PCM bytes scaled to -1..1; 8-bit PCM is unsigned.
std::vector<double> Samples(const std::vector<std::uint8_t>& bytes, int bits);
double Correlation(const std::vector<double>& a, const std::vector<double>& b);

// Waits up to five seconds for the condition.
bool WaitFor(const std::function<bool()>& condition);
// Runs the sink and waits up to five seconds for its end: the run's error, empty after a good run.
std::string RunToEnd(TACSOutput& sink);

}  // namespace teststreams
