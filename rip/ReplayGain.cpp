#include "rip/ReplayGain.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include <ebur128.h>

namespace {

constexpr double kReferenceLoudness = -18.0;  // LUFS

std::optional<GainValues> GainOf(double loudness, double peak) {
  if (!std::isfinite(loudness)) return std::nullopt;
  return GainValues{kReferenceLoudness - loudness, peak};
}

double PeakOf(ebur128_state* state) {
  double peak = 0;
  for (unsigned channel = 0; channel < 2; ++channel) {
    double value = 0;
    if (ebur128_sample_peak(state, channel, &value) == EBUR128_SUCCESS) peak = std::max(peak, value);
  }
  return peak;
}

void AddFrames(ebur128_state* state, const std::uint8_t* pcm, std::size_t frames) {
  std::int16_t samples[2 * 1024];
  while (frames > 0) {
    std::size_t count = std::min<std::size_t>(frames, 1024);
    for (std::size_t i = 0; i < 2 * count; ++i)
      samples[i] = static_cast<std::int16_t>(pcm[2 * i] | (pcm[2 * i + 1] << 8));
    ebur128_add_frames_short(state, samples, count);
    pcm += 4 * count;
    frames -= count;
  }
}

}  // namespace

struct ReplayGain::Meter {
  ebur128_state* state;
  ~Meter() { ebur128_destroy(&state); }
};

std::string ReplayGainText(double gain) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f dB", gain);
  return text;
}

std::string ReplayGainPeakText(double peak) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", peak);
  return text;
}

// The histogram keeps the state's memory the same however long the track.
ReplayGain::ReplayGain() {
  ebur128_state* state = ebur128_init(2, 44100, EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK | EBUR128_MODE_HISTOGRAM);
  if (state == nullptr) throw std::bad_alloc();
  FMeter.reset(new Meter{state});
}

ReplayGain::~ReplayGain() = default;

void ReplayGain::Add(const std::uint8_t* pcm, std::size_t bytes) {
  while (FCarried > 0 && FCarried < sizeof FCarry && bytes > 0) {
    FCarry[FCarried++] = *pcm++;
    --bytes;
    if (FCarried == 4) {
      AddFrames(FMeter->state, FCarry, 1);
      FCarried = 0;
    }
  }
  AddFrames(FMeter->state, pcm, bytes / 4);
  FCarried = bytes % 4;
  std::memcpy(FCarry, pcm + bytes - FCarried, FCarried);
}

std::optional<GainValues> ReplayGain::Track() const {
  double loudness = 0;
  if (ebur128_loudness_global(FMeter->state, &loudness) != EBUR128_SUCCESS) return std::nullopt;
  return GainOf(loudness, PeakOf(FMeter->state));
}

std::optional<GainValues> ReplayGain::Album(const std::vector<const ReplayGain*>& tracks) {
  if (tracks.empty()) return std::nullopt;
  std::vector<ebur128_state*> states;
  double peak = 0;
  for (const ReplayGain* track : tracks) {
    states.push_back(track->FMeter->state);
    peak = std::max(peak, PeakOf(track->FMeter->state));
  }
  double loudness = 0;
  if (ebur128_loudness_global_multiple(states.data(), states.size(), &loudness) != EBUR128_SUCCESS)
    return std::nullopt;
  return GainOf(loudness, peak);
}
