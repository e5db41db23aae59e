#pragma once
// A file source read as a player reads it: to the end, with one jump back on the way.

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "acs/ACS_Classes.h"

namespace fuzzfiles {

// Damage that the source reports (an exception from GetData) is an answer, not a fault.
inline void ReadToEnd(TACSFileIn& source) {
  constexpr std::int64_t kMostBytes = 8 << 20;  // a header or a few packets may stand for far more audio
  source.Init();
  std::vector<std::uint8_t> buffer(4099);
  std::int64_t total = 0;
  bool jumped = false;
  try {
    for (int got; total < kMostBytes && (got = source.GetData(buffer.data(), static_cast<int>(buffer.size()))) > 0;) {
      total += got;
      if (!jumped && total > 3 * 4099) {
        source.Jump(-30);
        jumped = true;
      }
    }
  } catch (const std::runtime_error&) {
  }
  source.Flush();
  source.GetTotalTime();
}

}  // namespace fuzzfiles
