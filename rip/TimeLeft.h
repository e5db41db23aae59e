#pragma once
// How long a rip has still to go, from the share of the job done so far and the time it took: shown once the
// job has run long enough for its rate to mean something.

#include <chrono>
#include <optional>
#include <string>

class TimeLeft {
 public:
  using Clock = std::chrono::steady_clock;

  // The job starts now (or at the time given).
  void Start(Clock::time_point start = Clock::now()) { FStart = start; }
  // The seconds left when done (0 to 1) of the job is done at now; none in the first 5 seconds or before
  // anything is done.
  std::optional<int> SecondsLeft(double done, Clock::time_point now = Clock::now()) const;

 private:
  Clock::time_point FStart = Clock::now();
};

// "about 4 min left", "under a minute left".
std::string TimeLeftText(int seconds);
