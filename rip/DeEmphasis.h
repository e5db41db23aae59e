#pragma once
// The CD's de-emphasis: undoes the 50/15 µs treble shelf that some discs were recorded with, so that such a
// track sounds as it was meant to. A first-order filter per channel of 44,100 Hz 16-bit stereo audio; one
// object filters one track, its blocks in order, each channel's state carried from one block to the next.

#include <array>
#include <cstddef>
#include <cstdint>

class DeEmphasis {
 public:
  DeEmphasis();
  // Filters interleaved stereo frames (left, right) in place; each output sample rounded and kept in 16 bits.
  void Process(std::int16_t* samples, std::size_t frames);

 private:
  struct Channel {
    double lastIn = 0;
    double lastOut = 0;
  };
  std::int16_t Step(Channel& channel, std::int16_t sample) const;

  double FB0, FB1, FA1;
  std::array<Channel, 2> FChannels{};
};
