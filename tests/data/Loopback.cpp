#include "tests/data/Loopback.h"

#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace testdata {

LoopbackRecorder::LoopbackRecorder(const std::string& cli, const std::filesystem::path& file, int seconds)
    : FFile(file) {
  std::vector<std::string> args = {cli, "record", file.string(), "--seconds", std::to_string(seconds),
                                   "--rate", "44100", "--channels", "2"};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  if (posix_spawn(&FPid, cli.c_str(), nullptr, nullptr, argv.data(), environ) != 0) FPid = -1;
}

LoopbackRecorder::~LoopbackRecorder() { Wait(); }

bool LoopbackRecorder::Hearing() {
  std::filesystem::path partial = FFile.string() + ".partial";  // the name the file has until it is complete
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (FPid > 0 && std::chrono::steady_clock::now() < until) {
    std::error_code ignored;
    if (std::filesystem::file_size(partial, ignored) > 44 + 16384 && !ignored) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

int LoopbackRecorder::Wait() {
  int status = -1;
  if (FPid > 0) waitpid(FPid, &status, 0);
  FPid = -1;
  return status;
}

std::vector<std::int16_t> LoopbackRecorder::Samples() { return Samples16(ReadBytes(FFile), 44); }

std::vector<std::uint8_t> Tone(int bytes) {
  std::vector<std::uint8_t> pcm(std::size_t(bytes), 0);
  for (int i = 0; i + 1 < bytes; i += 2) {
    int frame = i / 4;
    double value = 0.5 * std::cos(2 * M_PI * 441 * frame / 44100.0) + 0.2 * std::sin(2 * M_PI * 1234 * frame / 44100.0);
    auto sample = std::uint16_t(std::int16_t(std::lround(value * 32767)));
    pcm[std::size_t(i)] = std::uint8_t(sample);
    pcm[std::size_t(i) + 1] = std::uint8_t(sample >> 8);
  }
  return pcm;
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::int16_t> Samples16(const std::vector<std::uint8_t>& bytes, std::size_t from) {
  std::vector<std::int16_t> samples;
  for (std::size_t i = from; i + 1 < bytes.size(); i += 2) samples.push_back(std::int16_t(bytes[i] | bytes[i + 1] << 8));
  return samples;
}

std::vector<std::int16_t> HeardSound(const std::vector<std::int16_t>& recording) {
  constexpr int kLoud = 3000;
  constexpr std::size_t kGap = 44100 * 2 / 500;
  std::vector<std::int16_t> heard;
  std::size_t quietFrom = 0;
  for (std::size_t i = 0; i + 1 < recording.size(); i += 2) {
    if (std::abs(recording[i]) < kLoud && std::abs(recording[i + 1]) < kLoud) continue;
    bool gap = i - quietFrom >= kGap;
    heard.insert(heard.end(), recording.begin() + std::ptrdiff_t(gap ? i : quietFrom),
                 recording.begin() + std::ptrdiff_t(i + 2));
    quietFrom = i + 2;
  }
  return heard;
}

namespace {
constexpr std::size_t kProbe = 2048;

double Likeness(const std::vector<std::int16_t>& recording, std::size_t offset,
                const std::vector<std::int16_t>& played, std::size_t from, std::size_t length) {
  double ab = 0, aa = 0, bb = 0;
  for (std::size_t i = 0; i < length && from + i < played.size() && offset + i < recording.size(); ++i) {
    ab += double(recording[offset + i]) * played[from + i];
    aa += double(recording[offset + i]) * recording[offset + i];
    bb += double(played[from + i]) * played[from + i];
  }
  return aa == 0 || bb == 0 ? 0 : ab / std::sqrt(aa * bb);
}

std::size_t LocatePiece(const std::vector<std::int16_t>& recording, std::size_t from, std::size_t to,
                        const std::vector<std::int16_t>& played, std::size_t piece) {
  std::size_t best = from;
  double bestLikeness = -2;
  for (std::size_t offset = from; offset <= to && offset < recording.size(); offset += 2) {
    double likeness = Likeness(recording, offset, played, piece, kProbe);
    if (likeness > bestLikeness) bestLikeness = likeness, best = offset;
  }
  return best;
}
}  // namespace

std::size_t Locate(const std::vector<std::int16_t>& recording, std::size_t from, std::size_t to,
                   const std::vector<std::int16_t>& played) {
  return LocatePiece(recording, from & ~std::size_t(1), to, played, 0);
}

double ShareHeardInOrder(const std::vector<std::int16_t>& recording, std::size_t start,
                         const std::vector<std::int16_t>& played) {
  constexpr std::size_t kPiece = 44100 * 2 / 100, kSlack = 44100 * 2 / 100;
  std::size_t heard = 0, pieces = 0, expected = start;
  for (std::size_t piece = 0; piece < played.size(); piece += kPiece, ++pieces) {
    std::size_t length = std::min(kPiece, played.size() - piece);
    std::size_t best = expected;
    double bestLikeness = Likeness(recording, expected, played, piece, length);
    std::size_t from = (expected > kSlack ? expected - kSlack : 0) & ~std::size_t(1);
    for (std::size_t offset = from; bestLikeness <= 0.99 && offset <= expected + kSlack; offset += 2) {
      double likeness = Likeness(recording, offset, played, piece, length);
      if (likeness > bestLikeness) bestLikeness = likeness, best = offset;
    }
    if (bestLikeness > 0.99) ++heard, expected = best;
    expected += length;
  }
  return pieces == 0 ? 0 : double(heard) / double(pieces);
}

bool EndHeard(const std::vector<std::int16_t>& recording, std::size_t from, std::size_t to,
              const std::vector<std::int16_t>& played) {
  constexpr std::size_t kTail = 44100 * 2 * 3 / 100;
  std::vector<std::int16_t> tail(played.end() - std::ptrdiff_t(std::min(kTail, played.size())), played.end());
  return ShareHeardInOrder(recording, Locate(recording, from, to, tail), tail) == 1.0;
}

}  // namespace testdata
