#pragma once
// What the test sound server plays comes back on its default source: a recording made by quillon-cli in a
// process of its own (the components allow one sound-card component per process) hears it.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace testdata {

class LoopbackRecorder {
 public:
  // Records 44,100 Hz 16-bit stereo for the seconds given into the file, with the program at cli.
  LoopbackRecorder(const std::string& cli, const std::filesystem::path& file, int seconds);
  ~LoopbackRecorder();
  LoopbackRecorder(const LoopbackRecorder&) = delete;
  LoopbackRecorder& operator=(const LoopbackRecorder&) = delete;
  // The server's loopback delivers its first audio only after a while: play only once it does.
  bool Hearing();
  // Waits for the recording to end; the process's exit status.
  int Wait();
  // The recorded samples, interleaved, after the recording ended.
  std::vector<std::int16_t> Samples();

 private:
  std::filesystem::path FFile;
  pid_t FPid = -1;
};

// A cosine starts at its peak, so a recording shows where the sound began to the sample.
std::vector<std::uint8_t> Tone(int bytes);
std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
std::vector<std::int16_t> Samples16(const std::vector<std::uint8_t>& bytes, std::size_t from);
// The sound a recording holds, without the silence before, after and within it: on a loaded machine the
// server's loopback fills a moment with silence when the player was late, which delays sound but loses none.
// A stretch of 2 ms in which no sample is loud counts as such a gap.
std::vector<std::int16_t> HeardSound(const std::vector<std::int16_t>& recording);
// Where in the recording (from..to, whole stereo frames) the played samples begin: the best match of their
// first samples.
std::size_t Locate(const std::vector<std::int16_t>& recording, std::size_t from, std::size_t to,
                   const std::vector<std::int16_t>& played);
// The share of the played samples' hundredths of a second that the recording holds, in order, from start on
// (each one likeness above 0.99), each found anew within 10 ms of where the one before it ended: on a loaded
// machine the server's loopback may lose or repeat a moment, which spoils the hundredth it falls in and no
// other, while sound the player lost or garbled spoils every hundredth it touches.
double ShareHeardInOrder(const std::vector<std::int16_t>& recording, std::size_t start,
                         const std::vector<std::int16_t>& played);

// Whether the played samples' last 30 ms are in the recording between from and to, whole.
bool EndHeard(const std::vector<std::int16_t>& recording, std::size_t from, std::size_t to,
              const std::vector<std::int16_t>& played);

}  // namespace testdata
