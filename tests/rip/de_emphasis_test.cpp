#include "rip/DeEmphasis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/data/TestDiscs.h"

namespace {

// One second of a sine on both channels, the right one at half the left one's amplitude.
std::vector<std::int16_t> Sine(double frequency) {
  std::vector<std::int16_t> samples;
  for (int n = 0; n < 44100; ++n) {
    double value = 20000 * std::cos(2 * M_PI * frequency * n / 44100);
    samples.push_back(static_cast<std::int16_t>(std::lround(value)));
    samples.push_back(static_cast<std::int16_t>(std::lround(value / 2)));
  }
  return samples;
}

// The level of one channel, from a tenth of a second on (once the filter has settled: whole periods follow).
double Level(const std::vector<std::int16_t>& samples, int channel) {
  double sum = 0;
  for (std::size_t k = 4410 * 2 + std::size_t(channel); k < samples.size(); k += 2) sum += double(samples[k]) * samples[k];
  return std::sqrt(sum);
}

// The analogue 50/15 µs de-emphasis: 0 dB at DC, -0.37 dB at 1 kHz, -4.53 dB at 5 kHz, -7.60 dB at 10 kHz.
TEST(DeEmphasisTest, FollowsTheAnalogueCurve) {
  const struct {
    double frequency, decibels;
  } points[] = {{0, 0}, {1000, -0.37}, {5000, -4.53}, {10000, -7.60}};
  for (const auto& point : points) {
    std::vector<std::int16_t> in = Sine(point.frequency);
    std::vector<std::int16_t> out = in;
    DeEmphasis filter;
    filter.Process(out.data(), out.size() / 2);
    for (int channel = 0; channel < 2; ++channel)
      EXPECT_NEAR(point.decibels, 20 * std::log10(Level(out, channel) / Level(in, channel)), 0.1)
          << point.frequency << " Hz, channel " << channel;
  }
}

TEST(DeEmphasisTest, BlocksFilterAsOneStream) {
  const std::vector<std::int16_t> audio = testdata::Pattern(testdata::BlockFrames(20), 5);
  std::vector<std::int16_t> whole = audio;
  DeEmphasis().Process(whole.data(), whole.size() / 2);
  std::vector<std::int16_t> blocks = audio;
  DeEmphasis filter;
  std::size_t done = 0;
  for (std::size_t frames : {1u, 587u, 2000u}) {
    filter.Process(blocks.data() + 2 * done, frames);
    done += frames;
  }
  filter.Process(blocks.data() + 2 * done, blocks.size() / 2 - done);
  EXPECT_EQ(whole, blocks);
  EXPECT_NE(audio, whole);
}

}  // namespace
