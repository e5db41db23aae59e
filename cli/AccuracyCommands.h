#pragma once
// quillon-cli checksums, verify, offset and verify-log: what proves a rip, without ripping.

#include <string>
#include <vector>

int RunChecksums(const std::vector<std::string>& args);
int RunVerify(const std::vector<std::string>& args);
int RunOffset(const std::vector<std::string>& args);
int RunVerifyLog(const std::vector<std::string>& args);
