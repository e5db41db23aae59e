#include "rip/DeEmphasis.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kSampleRate = 44100;
// The bilinear transform of H(s) = (1 + s·T2) / (1 + s·T1) bends the curve towards the top of the band, where
// it would cut up to 1 dB more than the analogue 50/15 µs filter. These time constants, close to 50 and
// 15 µs, make the digital filter's gain stay within 0.08 dB of the analogue one from 20 Hz to 20 kHz.
constexpr double kPoleTime = 49.63e-6;  // T1
constexpr double kZeroTime = 16.72e-6;  // T2

}  // namespace

DeEmphasis::DeEmphasis() {
  const double k = 2 * kSampleRate;  // s = k·(1 − z⁻¹) / (1 + z⁻¹)
  const double a0 = 1 + k * kPoleTime;
  FB0 = (1 + k * kZeroTime) / a0;
  FB1 = (1 - k * kZeroTime) / a0;
  FA1 = (1 - k * kPoleTime) / a0;
}

void DeEmphasis::Process(std::int16_t* samples, std::size_t frames) {
  for (std::size_t frame = 0; frame < frames; ++frame)
    for (std::size_t c = 0; c < FChannels.size(); ++c) {
      std::int16_t& sample = samples[frame * FChannels.size() + c];
      sample = Step(FChannels[c], sample);
    }
}

std::int16_t DeEmphasis::Step(Channel& channel, std::int16_t sample) const {
  const double in = sample;
  const double out = FB0 * in + FB1 * channel.lastIn - FA1 * channel.lastOut;
  channel.lastIn = in;
  channel.lastOut = out;
  return static_cast<std::int16_t>(std::clamp(std::lround(out), -32768L, 32767L));
}
