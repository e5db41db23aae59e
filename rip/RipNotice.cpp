#include "rip/RipNotice.h"

#include <algorithm>

namespace {

bool Accurate(const TrackVerdict& verdict) {
  return verdict.kind == TrackVerdict::Kind::Accurate || verdict.kind == TrackVerdict::Kind::AccurateWithOffset;
}

// Proven by either database.
bool Accurate(const TrackResult& result) { return Accurate(result.verdict) || Accurate(result.ctdbVerdict); }

std::string Tracks(std::size_t count) { return std::to_string(count) + (count == 1 ? " track" : " tracks"); }

std::string Titled(const std::string& what, const std::string& album) {
  return album.empty() ? what : what + ": " + album;
}

// "all accurate", "9 of 12 accurate" or "none proven accurate", then the tracks with damage.
std::string Verdicts(const std::vector<TrackResult>& results) {
  const auto count = [&results](auto test) {
    return static_cast<std::size_t>(std::count_if(results.begin(), results.end(), test));
  };
  const std::size_t accurate = count([](const TrackResult& result) { return Accurate(result); });
  const std::size_t unreadable = count([](const TrackResult& result) { return !result.unreadable.empty(); });
  const std::size_t unreliable = count([](const TrackResult& result) { return !result.reliable; });
  std::string text;
  if (accurate == results.size()) text = "all accurate";
  else if (accurate > 0) text = std::to_string(accurate) + " of " + std::to_string(results.size()) + " accurate";
  else text = "none proven accurate";
  if (unreadable > 0) text += ", " + std::to_string(unreadable) + " with blocks that could not be read";
  if (unreliable > 0) text += ", " + std::to_string(unreliable) + " whose two reads differ";
  return text;
}

}  // namespace

RipNotice RipNoticeOf(const RipEnding& ending) {
  const std::string finished =
      std::to_string(ending.results.size()) + " of " + Tracks(ending.tracksToRip) + " finished";
  if (!ending.errors.empty()) return {Titled("Rip ended with errors", ending.album), finished + ": " + ending.errors.front()};
  if (ending.cancelled) return {Titled("Rip cancelled", ending.album), finished};
  if (ending.results.empty()) return {Titled("Rip finished", ending.album), "no track was ripped"};
  return {Titled("Rip finished", ending.album), Tracks(ending.results.size()) + ", " + Verdicts(ending.results)};
}

bool ShouldNotify(std::chrono::steady_clock::duration took, bool programActive) {
  return !programActive && took > kNoticeAfter;
}
