#pragma once
// quillon-cli ids: the disc's identifiers in the online databases.

#include <string>

int RunIds(const std::string& drive);
