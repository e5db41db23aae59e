#pragma once
// What the desktop is told when a long rip ends while nobody looks at the program: how the rip ended, in
// the words of its own results ("all accurate" only when every track's verdict proves it).

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "rip/RipAccuracy.h"

// How a rip ended, as its window saw it.
struct RipEnding {
  std::string album;           // empty: the disc has no name
  std::size_t tracksToRip = 0;
  std::vector<TrackResult> results;  // the tracks finished
  bool cancelled = false;
  std::vector<std::string> errors;  // the error boxes the rip showed, in their order
};

struct RipNotice {
  std::string title;  // "Rip finished: Album"
  std::string body;   // "12 tracks, all accurate"
  std::string Text() const { return title + " \u2014 " + body; }
};

RipNotice RipNoticeOf(const RipEnding& ending);

// A rip that took longer than this is worth a notice when it ends.
constexpr std::chrono::seconds kNoticeAfter{60};

// True for a rip that took more than kNoticeAfter and ended while none of the program's windows was active.
bool ShouldNotify(std::chrono::steady_clock::duration took, bool programActive);
