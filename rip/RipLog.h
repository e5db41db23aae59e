#pragma once
// The rip log: a plain text a person reads, saying how the disc was read and what each track came out as,
// closed by a line "SHA-256: <hex>" over every byte above it, so that an edited log can be told.

#include <string>
#include <vector>

#include "rip/RipAccuracy.h"

struct RipLogHeader {
  std::string drive;
  int offset = 0;  // samples
  bool testAndCopy = false;
  std::string readMode;         // "verify", "secure" or "burst"
  std::string accurateRipFile;  // the disc's dBAR file name
};

std::string RipLogText(const RipLogHeader& header, const std::vector<TrackResult>& tracks,
                       const std::string& discVerdict);
// True when the log's last line is the SHA-256 of everything before it.
bool RipLogIntact(const std::string& log);
