#pragma once
// What a disc's CD-Text says of the disc and of each track: titles, performers and songwriters, as the
// first language block holds them (or, for an image, the sheet's TITLE, PERFORMER and SONGWRITER lines).
// Every text is valid UTF-8 without control characters, trimmed and at most kMostDiscTextBytes long.

#include <cstddef>
#include <string>
#include <vector>

constexpr std::size_t kMostDiscTextBytes = 160;

struct DiscTextEntry {
  std::string title;
  std::string performer;
  std::string songwriter;

  bool Empty() const { return title.empty() && performer.empty() && songwriter.empty(); }
};

struct DiscText {
  DiscTextEntry disc;
  std::vector<DiscTextEntry> tracks;  // per track of the layout, in order

  bool Empty() const;
};

// text made safe to show and to store: bytes that are not UTF-8 taken as Latin-1 (CD-Text's own character
// set), control characters dropped (tabs and line ends as blanks), blanks trimmed, cut at a character boundary.
std::string SafeDiscText(const std::string& text);
