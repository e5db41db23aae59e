#pragma once
// The cue sheet of a rip: one FILE per ripped track, each track starting at the start of its file, or one
// FILE for tracks that share a file (a rip to one file), each track's INDEX lines pointing into it. The audio
// of a pregap stays at the end of the file before it (the usual layout), so a track's INDEX 00 lies in the
// previous track's file; the hidden audio before the first track has a file of its own, which holds that
// track's INDEX 00. Together the files and the sheet give back the disc's audio and layout as read.

#include <string>
#include <vector>

#include "cd/TableOfContents.h"

struct RipCueTrack {
  std::string number;  // two digits; "00" for the hidden audio before the first track
  std::string path;    // of its file
  std::uint32_t blocks = 0;  // in its file
  std::uint32_t start = 0;   // the disc's block at the start of its file
  std::string title{};  // empty when no lookup named it
  std::string performer{};
};

struct RipCueDisc {
  TableOfContents toc;
  std::string discId;  // the CDDB disc ID
  std::string genre;   // the lookup's, empty when there was none
  std::string date;
  std::string performer;
  std::string title;
};

// The sheet, its FILE lines relative to the folder it is written to.
std::string RipCueSheet(const RipCueDisc& disc, const std::vector<RipCueTrack>& tracks, const std::string& folder);

// Where the sheet and the log of a rip go: the deepest folder that holds every file ripped (the album's when
// the naming template makes one), within the output folder.
std::string RipSheetFolder(const std::vector<std::string>& paths, const std::string& outputFolder);
