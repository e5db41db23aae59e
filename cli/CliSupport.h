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

// Ctrl-C stops a command's work; what it had not finished is removed, and the program exits with this status.
constexpr int kInterruptedStatus = 130;
void CatchInterrupt();
bool Interrupted();
// Thrown where a command notices Ctrl-C: unwinding ends its components, which remove their unfinished files.
struct Interruption {};
// What a command gives every wait on the network: false once Ctrl-C came, which abandons the request at once.
bool KeepWaiting();
// Throws Interruption when Ctrl-C came, as after a lookup that it abandoned.
void StopWhenInterrupted();

// A drive index selects from the program's drive list; anything else makes that image the only drive: a CUE
// sheet, or "bincue:SHEET.cue" or "cdrdao:FILE.toc" read through libcdio's image driver.
bool SelectDrive(CdDrives& drives, const std::string& drive);
