#pragma once
// quillon-cli drives and toc.

#include <string>

int RunDrives();
int RunToc(const std::string& drive);
