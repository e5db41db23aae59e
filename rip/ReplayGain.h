#pragma once
// The loudness of a track's audio as it is read (EBU R128, integrated over the track), and what it gives as
// ReplayGain 2.0: the gain to -18 LUFS and the largest sample. An album's gain is the loudness of all its
// tracks' audio taken as one.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct GainValues {
  double gain = 0;  // dB to bring the audio to -18 LUFS
  double peak = 0;  // the largest sample's magnitude, 1.0 at full scale
};

// "-6.52 dB" and "0.988525", as the tags and the log write them.
std::string ReplayGainText(double gain);
std::string ReplayGainPeakText(double peak);

class ReplayGain {
 public:
  ReplayGain();
  ~ReplayGain();
  ReplayGain(const ReplayGain&) = delete;
  ReplayGain& operator=(const ReplayGain&) = delete;

  // The next bytes of the track's PCM (little-endian 16-bit stereo at 44,100 Hz), in order.
  void Add(const std::uint8_t* pcm, std::size_t bytes);
  // Nothing for audio too quiet to have a loudness (silence).
  std::optional<GainValues> Track() const;
  static std::optional<GainValues> Album(const std::vector<const ReplayGain*>& tracks);

 private:
  struct Meter;  // libebur128's state
  std::unique_ptr<Meter> FMeter;
  std::uint8_t FCarry[4] = {};  // bytes of a frame split between two calls
  std::size_t FCarried = 0;
};
