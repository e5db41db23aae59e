#pragma once
// The folder of the running executable, ending in "/": settings.ini and the fallback folders live there.

#include <string>

std::string ProgramFolder();
// Tests run the windows against a folder of their own.
void OverrideProgramFolder(const std::string& folder);
