#pragma once
// quillon-cli batch: several drives ripped unattended into one folder, with a queue that survives a kill and
// a report of every disc.

#include <string>
#include <vector>

// args: --drives 0,2,3|all --format flac[,mp3] --out DIR [--lookup] [--settings FILE] [--batch NAME]
// [--discs N] [--again]; returns the exit status.
int RunBatch(const std::vector<std::string>& args);
