#pragma once
// quillon-cli convert: the converters' pipelines from the command line.

#include <string>
#include <vector>

// args: IN OUT [--bitrate KBPS] [--quality PERCENT] [--cpu 1|2|3]; returns the exit status.
int RunConvert(const std::vector<std::string>& args);
