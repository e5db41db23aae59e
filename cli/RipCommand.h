#pragma once
// quillon-cli rip: the rip window's job from the command line.

#include <string>
#include <vector>

// args: DRIVE --format wav|mp3|ogg --out DIR [--tracks 1,3,5] [--settings FILE]; returns the exit status.
int RunRip(const std::vector<std::string>& args);
