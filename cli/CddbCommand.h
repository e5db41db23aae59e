#pragma once
// quillon-cli cddb: the disc looked up in CDDB as the CD information dialog does it.

#include <string>
#include <vector>

int RunCddb(const std::vector<std::string>& args);
