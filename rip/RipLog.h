#pragma once
// The rip log: a plain text a person reads, saying how the disc was read and what each track came out as,
// closed by a line "SHA-256: <hex>" over every byte above it, so that a log changed by accident can be told
// (anyone can compute that line again: it proves no more).

#include <string>
#include <vector>

#include "cd/TableOfContents.h"
#include "rip/RipAccuracy.h"

struct RipLogHeader {
  std::string drive;  // the drive's identification
  bool image = false;  // read from an image file
  int offset = 0;     // samples
  std::string offsetSource;
  std::string readMode;  // "verify", "secure" or "burst"
  bool testAndCopy = false;
  std::string gapDetection;  // how the pregaps were found; empty: the line is left out
  std::string artist;  // the release's, after a lookup
  std::string album;
  std::string metadataSource;  // empty when the names are the tracks' numbers
  TableOfContents toc;
  std::string cddbId;
  std::string musicBrainzId;
  std::string accurateRipFile;  // the disc's dBAR file name
  std::string ctdbTocId;
  std::string coverArt;  // what became of the release's cover; empty: the line is left out
  bool cancelled = false;  // the rip was cancelled: the log lists the tracks finished before, and judges no disc
};

std::string RipLogText(const RipLogHeader& header, const std::vector<TrackResult>& tracks, const DiscVerdicts& disc);
// True when the log's last line is the SHA-256 of everything before it.
bool RipLogIntact(const std::string& log);
