#include "rip/TimeLeft.h"

#include <cmath>

namespace {
constexpr double kFirstEstimateSeconds = 5.0;  // before that the rate is mostly the drive spinning up
}  // namespace

std::optional<int> TimeLeft::SecondsLeft(double done, Clock::time_point now) const {
  const double elapsed = std::chrono::duration<double>(now - FStart).count();
  if (elapsed < kFirstEstimateSeconds || done <= 0.0) return std::nullopt;
  if (done >= 1.0) return 0;
  return static_cast<int>(std::lround(elapsed * (1.0 - done) / done));
}

std::string TimeLeftText(int seconds) {
  if (seconds < 60) return "under a minute left";
  return "about " + std::to_string((seconds + 30) / 60) + " min left";
}
