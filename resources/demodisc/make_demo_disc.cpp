// Builds the demo disc: four short pieces of synthesised music as a CUE/BIN image, so a newcomer
// without a CD drive sees tracks at once. Usage: make_demo_disc FOLDER

#include <cmath>
#include <cstdio>
#include <numbers>

#include "resources/demodisc/DiscImageWriter.h"

namespace {

constexpr int kRate = 44100;

struct Piece {
  double seconds;
  double beat;          // seconds per note
  const int* melody;    // semitones above A3, -1 for a rest
  int notes;
  int bassOffset;       // semitones of the bass under the melody
};

double Frequency(int semitone) { return 220.0 * std::pow(2.0, semitone / 12.0); }

// A plucked tone: a few harmonics under an exponential decay.
double Pluck(double frequency, double t) {
  double tone = std::sin(2 * std::numbers::pi * frequency * t) + 0.4 * std::sin(4 * std::numbers::pi * frequency * t) +
                0.15 * std::sin(6 * std::numbers::pi * frequency * t);
  return tone * std::exp(-3.5 * t) * std::min(1.0, t * 200);
}

std::vector<std::int16_t> Render(const Piece& piece) {
  auto frames = static_cast<std::size_t>(piece.seconds * kRate) / 588 * 588;  // whole CD blocks
  std::vector<std::int16_t> samples(frames * 2);
  for (std::size_t i = 0; i < frames; ++i) {
    double time = static_cast<double>(i) / kRate;
    int step = static_cast<int>(time / piece.beat);
    double t = time - step * piece.beat;
    int note = piece.melody[step % piece.notes];
    double lead = note < 0 ? 0.0 : Pluck(Frequency(note), t);
    int bassNote = piece.melody[(step / 4 * 4) % piece.notes];
    double bassTime = time - (step / 4 * 4) * piece.beat;
    double bass = bassNote < 0 ? 0.0 : Pluck(Frequency(bassNote + piece.bassOffset) / 2, bassTime * 0.5);
    double fade = std::min(1.0, (piece.seconds - time) * 2);
    samples[2 * i] = static_cast<std::int16_t>(9000 * fade * (0.7 * lead + 0.5 * bass));
    samples[2 * i + 1] = static_cast<std::int16_t>(9000 * fade * (0.4 * lead + 0.8 * bass));
  }
  return samples;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fputs("usage: make_demo_disc FOLDER\n", stderr);
    return 2;
  }
  static const int kOne[] = {3, 7, 10, 15, 12, 10, 7, 10, 3, 7, 10, 14, 12, 10, 7, -1};
  static const int kTwo[] = {0, 4, 7, 12, 7, 4, 0, -1, 5, 9, 12, 9, 7, 4, 2, -1};
  static const int kThree[] = {10, 10, 12, 14, 15, 14, 12, 10, 8, 7, 8, 10, 7, -1, 3, -1};
  static const int kFour[] = {12, 7, 4, 0, 2, 4, 5, 7, 12, -1, 12, -1};
  const Piece pieces[] = {{20, 0.25, kOne, 16, -12}, {15, 0.3, kTwo, 16, -12}, {24, 0.2, kThree, 16, -5},
                          {12, 0.35, kFour, 12, -12}};
  std::vector<discimage::ImageTrack> tracks;
  for (const Piece& piece : pieces) tracks.push_back({{}, Render(piece)});
  std::string sheet = discimage::WriteImage(argv[1], "QuillonDemo", tracks, {});
  if (sheet.empty()) {
    std::fprintf(stderr, "error: cannot write the demo disc into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
