#pragma once
// What the quillon-cli commands share: the error line, number arguments and the choice of a drive.

#include <string>

class CdDrives;

// Prints "error: MESSAGE" on stderr and gives the failure exit status.
int Fail(const std::string& message);
// The same for a window's warning text, without the blanks around it.
int FailWarning(const std::string& warning);

// The whole text as a decimal integer within [low, high].
bool ParseNumber(const std::string& text, int low, int high, int& value);

// A drive index selects from the program's drive list; a path makes that CUE sheet the only drive.
bool SelectDrive(CdDrives& drives, const std::string& drive);
