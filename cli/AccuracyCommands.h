#pragma once
// quillon-cli checksums, verify and verify-log: what proves a rip, without ripping.

#include <string>
#include <vector>

int RunChecksums(const std::vector<std::string>& args);
int RunVerify(const std::vector<std::string>& args);
int RunVerifyLog(const std::vector<std::string>& args);
