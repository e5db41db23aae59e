#pragma once
// What the quillon-cli commands share: the error line, number arguments and the choice of a drive.

#include <string>

class CdDrives;

// Prints "quillon-cli: error: MESSAGE" on stderr and gives the failure exit status.
int Fail(const std::string& message);
// The same for a window's warning text, without the blanks around it.
int FailWarning(const std::string& warning);

// -q: errors and results only, no progress line or notes; -v: notes also on each web request and each round
// of rereading blocks that would not verify.
enum class Loudness { Quiet, Normal, Verbose };
void SetLoudness(Loudness loudness);
bool Quiet();
// A line for the user on stderr that is neither a result nor an error; none when quiet.
void Note(const std::string& text);
// The one progress line of a terminal, drawn again only when its text changes; none when quiet or off a
// terminal. Notes are written above it.
void ShowProgressLine(const std::string& text);
void ClearProgressLine();

// The whole text as a decimal integer within [low, high].
bool ParseNumber(const std::string& text, int low, int high, int& value);

// Ctrl-C stops a command's work; what it had not finished is removed, and the program exits with 130. SIGTERM,
// SIGHUP and SIGPIPE (a reader of the output that went away) do the same, with 128 plus the signal's number.
void CatchInterrupt();
bool Interrupted();
int InterruptedStatus();
// Thrown where a command notices Ctrl-C: unwinding ends its components, which remove their unfinished files.
struct Interruption {};
// What a command gives every wait on the network: false once Ctrl-C (or one of the other signals) came, which
// abandons the request at once.
bool KeepWaiting();
// Throws Interruption when Ctrl-C or another of the signals came, as after a lookup that it abandoned.
void StopWhenInterrupted();

// A drive index selects from the program's drive list; anything else makes that image the only drive: a CUE
// sheet, or "bincue:SHEET.cue" or "cdrdao:FILE.toc" read through libcdio's image driver.
bool SelectDrive(CdDrives& drives, const std::string& drive);
