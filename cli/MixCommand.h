#pragma once
// quillon-cli mix: the WAV mixer's pipeline from the command line.

#include <string>
#include <vector>

// args: IN1 IN2 OUT [--concatenate] [--volume1 0-255] [--volume2 0-255]; returns the exit status.
int RunMix(const std::vector<std::string>& args);
