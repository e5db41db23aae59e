#pragma once
// The cue sheet of a rip: one FILE per ripped track, each track starting at the start of its file, so that
// the files and the sheet describe the disc's audio as it was read.

#include <string>
#include <vector>

#include "rip/RipAccuracy.h"

std::string RipCueSheet(const std::vector<TrackResult>& tracks);
